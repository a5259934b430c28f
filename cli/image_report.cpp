// The JSON Lines form of an image and of a match, written by hand: a fixed shape, and no
// document tree between the record and the bytes.
#include "cli/image_report.h"

#include <algorithm>
#include <array>

#include "base/text.h"
#include "cli/json_text.h"
#include "cli/problem_text.h"
#include "render/load.h"
#include "render/petscii.h"
#include "render/unicode_text.h"

namespace qvx::cli {
namespace {

// {"text": readable, "raw": hex} of a fixed-size byte field.
template <std::size_t N>
void appendBytes(std::string& out, const std::array<std::uint8_t, N>& bytes, bool stripPadding) {
    JsonObject field(out);
    field.string("text", readableBytes(bytes.data(), N, stripPadding));
    appendJsonHex(field.value("raw"), bytes.data(), N);
    field.close();
}

void appendHeader(std::string& out, const DirEntry& header) {
    JsonObject o(out);
    appendBytes(o.value("name"), header.name, true);
    appendBytes(o.value("id"), header.id, false);
    appendBytes(o.value("dosType"), header.dosType, false);
    o.close();
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
        JsonObject o(out);
        o.number("code", static_cast<long long>(code));
        o.number("sectors", static_cast<long long>(counts[code]));
        o.close();
    }
    out += ']';
}

// "path" as a message shows it, and "pathBytes": the path's bytes where they are not UTF-8.
void appendPath(JsonObject& o, const std::u16string& path) {
    o.string("path", readablePath(path));
    if (hasRawBytes(path)) {
        const std::string bytes = systemPath(path);
        appendJsonHex(o.value("pathBytes"), reinterpret_cast<const std::uint8_t*>(bytes.data()),
                      bytes.size());
    } else {
        o.null("pathBytes");
    }
}

void appendProblems(std::string& out, const DiskImage& image) {
    out += '[';
    for (std::size_t i = 0; i < image.problems.size(); ++i) {
        const Problem& p = image.problems[i];
        if (i != 0) out += ',';
        JsonObject o(out);
        o.string("code", problemWord(p.code));
        o.string("source", problemSourceWord(p.source));
        if (p.track >= 0) o.number("track", p.track);
        if (p.sector >= 0) o.number("sector", p.sector);
        o.close();
    }
    out += ']';
}

}  // namespace

void appendEntryJson(std::string& out, const DirEntry& entry) {
    JsonObject o(out);
    o.number("blocks", entry.blocks);
    appendBytes(o.value("name"), entry.name, true);
    o.string("type", readableBytes(entry.fileType.data(), entry.fileType.size(), false));
    o.boolean("closed", entry.closed != 0);
    o.boolean("locked", entry.locked != 0);
    o.close();
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
        while (length > 0 && bytes[length - 1] == kNamePadding) --length;
    std::string text;
    for (std::size_t i = 0; i < length; ++i) text += kGlyphs[bytes[i]];
    return text;
}

std::string imageJson(const std::u16string& path, const DiskImage& image) {
    const bool readable = isReadableImage(image);
    const bool known = isKnownType(image.type);
    std::string out;
    out.reserve(256 + 120 * image.dirEntries.size());
    JsonObject o(out);
    appendPath(o, path);
    o.boolean("readable", readable);
    known ? o.string("type", diskTypeName(image.type, image.container)) : o.null("type");
    const char* variant = variantWord(image);
    variant != nullptr ? o.string("variant", variant) : o.null("variant");
    known ? o.number("tracks", kDiskFormats[image.type].trackCount) : o.null("tracks");
    o.boolean("errorBytes", known && image.hasErrorBytes == 1);
    readable ? appendHeader(o.value("header"), image.dirEntries.front()) : o.null("header");
    std::string& entries = o.value("entries");
    entries += '[';
    for (std::size_t i = 1; i < image.dirEntries.size(); ++i) {
        if (i != 1) entries += ',';
        appendEntryJson(entries, image.dirEntries[i]);
    }
    entries += ']';
    readable ? o.number("blocksFree", image.blocksFree) : o.null("blocksFree");
    const bool counted = readable && image.hasErrorBytes == 1;
    counted ? appendErrorCounts(o.value("errorCounts"), image) : o.null("errorCounts");
    appendProblems(o.value("problems"), image);
    o.close();
    out += '\n';
    return out;
}

std::string matchJson(const std::u16string& path, std::size_t index, const DirEntry& entry) {
    std::string out;
    out.reserve(200);
    JsonObject o(out);
    appendPath(o, path);
    o.number("index", static_cast<long long>(index));
    appendEntryJson(o.value("entry"), entry);
    o.close();
    out += '\n';
    return out;
}

}  // namespace qvx::cli
