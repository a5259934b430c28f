// The JSON Lines form of an image and of a match, written by hand: a fixed shape, and no
// document tree between the record and the bytes.
#include "cli/image_report.h"

#include <algorithm>
#include <array>

#include "base/text.h"
#include "cli/json_text.h"
#include "render/petscii.h"
#include "render/unicode_text.h"

namespace qvx::cli {
namespace {

constexpr std::uint8_t kPadding = 0xA0;

void appendKey(std::string& out, std::string_view key) {
    out += '"';
    out += key;
    out += "\":";
}

void appendBool(std::string& out, bool value) {
    out += value ? "true" : "false";
}

void appendNumber(std::string& out, long long value) {
    out += std::to_string(value);
}

// {"text": readable, "raw": hex} of a fixed-size byte field.
template <std::size_t N>
void appendBytes(std::string& out, const std::array<std::uint8_t, N>& bytes, bool stripPadding) {
    out += "{\"text\":";
    appendJsonString(out, readableBytes(bytes.data(), N, stripPadding));
    out += ",\"raw\":";
    appendJsonHex(out, bytes.data(), N);
    out += '}';
}

void appendEntry(std::string& out, const DirEntry& entry) {
    out += "{\"blocks\":";
    appendNumber(out, entry.blocks);
    out += ",\"name\":";
    appendBytes(out, entry.name, true);
    out += ",\"type\":";
    appendJsonString(out, readableBytes(entry.fileType.data(), entry.fileType.size(), false));
    out += ",\"closed\":";
    appendBool(out, entry.closed != 0);
    out += ",\"locked\":";
    appendBool(out, entry.locked != 0);
    out += '}';
}

void appendHeader(std::string& out, const DirEntry& header) {
    out += "{\"name\":";
    appendBytes(out, header.name, true);
    out += ",\"id\":";
    appendBytes(out, header.id, false);
    out += ",\"dosType\":";
    appendBytes(out, header.dosType, false);
    out += '}';
}

const char* variantWord(const DiskImage& image) {
    if (image.type != kTypeD64x40) return nullptr;
    switch (image.subType) {
        case kSubTypeDolphin:
            return "dolphin";
        case kSubTypeSpeed:
            return "speed";
        default:
            return nullptr;
    }
}

// [{"code": n, "sectors": count}, ...] in code order, over the errorCount bytes read.
void appendErrorCounts(std::string& out, const DiskImage& image) {
    std::array<std::size_t, 256> counts{};
    const std::size_t n =
        std::min<std::size_t>(image.errorCount > 0 ? image.errorCount : 0, image.errorBytes.size());
    for (std::size_t i = 0; i < n; ++i) ++counts[image.errorBytes[i]];
    out += '[';
    bool first = true;
    for (std::size_t code = 0; code < counts.size(); ++code) {
        if (counts[code] == 0) continue;
        if (!first) out += ',';
        first = false;
        out += "{\"code\":";
        appendNumber(out, static_cast<long long>(code));
        out += ",\"sectors\":";
        appendNumber(out, static_cast<long long>(counts[code]));
        out += '}';
    }
    out += ']';
}

void appendProblems(std::string& out, const DiskImage& image) {
    out += '[';
    for (std::size_t i = 0; i < image.problems.size(); ++i) {
        const Problem& p = image.problems[i];
        if (i != 0) out += ',';
        out += "{\"code\":";
        appendJsonString(out, problemWord(p.code));
        out += ",\"source\":";
        appendJsonString(out, problemSourceWord(p.source));
        if (p.track >= 0) {
            out += ",\"track\":";
            appendNumber(out, p.track);
        }
        if (p.sector >= 0) {
            out += ",\"sector\":";
            appendNumber(out, p.sector);
        }
        out += '}';
    }
    out += ']';
}

}  // namespace

bool isReadable(const DiskImage& image) {
    return isKnownType(image.type) && !image.dirEntries.empty();
}

std::string readableBytes(const std::uint8_t* bytes, std::size_t count, bool stripPadding) {
    // Every name of every image passes here: each byte's UTF-8 is worked out once.
    static const std::array<std::string, 256> kGlyphs = [] {
        std::array<std::string, 256> glyphs;
        for (unsigned b = 0; b < glyphs.size(); ++b) {
            const std::uint8_t byte = static_cast<std::uint8_t>(b);
            std::u16string font;
            if (appendFontBytes(font, &byte, 1, 0, 0) == 1)
                glyphs[b] = toUtf8(readableText(font, u"\n"));
        }
        return glyphs;
    }();
    std::size_t length = 0;
    while (length < count && bytes[length] != 0) ++length;
    if (stripPadding)
        while (length > 0 && bytes[length - 1] == kPadding) --length;
    std::string text;
    for (std::size_t i = 0; i < length; ++i) text += kGlyphs[bytes[i]];
    return text;
}

std::string imageJson(std::string_view path, const DiskImage& image) {
    const bool readable = isReadable(image);
    const bool known = isKnownType(image.type);
    std::string out;
    out.reserve(256 + 120 * image.dirEntries.size());
    out += '{';
    appendKey(out, "path");
    appendJsonString(out, path);
    out += ',';
    appendKey(out, "readable");
    appendBool(out, readable);
    out += ',';
    appendKey(out, "type");
    if (known) {
        appendJsonString(out, kDiskFormats[image.type].typeName);
    } else {
        out += "null";
    }
    out += ',';
    appendKey(out, "variant");
    const char* variant = variantWord(image);
    if (variant != nullptr) {
        appendJsonString(out, variant);
    } else {
        out += "null";
    }
    out += ',';
    appendKey(out, "tracks");
    if (known) {
        appendNumber(out, kDiskFormats[image.type].trackCount);
    } else {
        out += "null";
    }
    out += ',';
    appendKey(out, "errorBytes");
    appendBool(out, known && image.hasErrorBytes == 1);
    out += ',';
    appendKey(out, "header");
    if (readable) {
        appendHeader(out, image.dirEntries.front());
    } else {
        out += "null";
    }
    out += ',';
    appendKey(out, "entries");
    out += '[';
    for (std::size_t i = 1; i < image.dirEntries.size(); ++i) {
        if (i != 1) out += ',';
        appendEntry(out, image.dirEntries[i]);
    }
    out += "],";
    appendKey(out, "blocksFree");
    if (readable) {
        appendNumber(out, image.blocksFree);
    } else {
        out += "null";
    }
    out += ',';
    appendKey(out, "errorCounts");
    if (readable && image.hasErrorBytes == 1) {
        appendErrorCounts(out, image);
    } else {
        out += "null";
    }
    out += ',';
    appendKey(out, "problems");
    appendProblems(out, image);
    out += "}\n";
    return out;
}

std::string matchJson(std::string_view path, std::size_t index, const DirEntry& entry) {
    std::string out;
    out.reserve(200);
    out += "{\"path\":";
    appendJsonString(out, path);
    out += ",\"index\":";
    appendNumber(out, static_cast<long long>(index));
    out += ",\"entry\":";
    appendEntry(out, entry);
    out += "}\n";
    return out;
}

std::string problemText(const DiskImage& image) {
    std::string text;
    for (const Problem& p : image.problems) {
        if (!text.empty()) text += ", ";
        text += problemWord(p.code);
        if (p.track >= 0) text += " at " + std::to_string(p.track) + "/" + std::to_string(p.sector);
    }
    return text;
}

}  // namespace qvx::cli
