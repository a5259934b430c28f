// UTF-8 conversions, for the front ends' output and input, and POSIX paths carried through
// UTF-16 byte for byte. Apart from the number forms, so that the plug-in module, which needs
// neither, does not carry them.
#include <optional>

#include "base/text.h"

namespace qvx {

namespace {

constexpr char16_t kReplacement = 0xFFFD;
constexpr char16_t kRawByteBase = 0xDC00;  // + the byte, for the bytes 0x80 to 0xFF

// The code point of the UTF-8 sequence at in[i] and its length; nothing, with the length of the
// bytes that are no part of a valid sequence (at least 1), where there is none.
std::optional<std::uint32_t> decodeAt(std::string_view in, std::size_t i, std::size_t& len) {
    auto b = static_cast<unsigned char>(in[i]);
    len = 1;
    if (b < 0x80) return b;
    if (b < 0xC2 || b >= 0xF5) return std::nullopt;
    std::size_t need = b < 0xE0 ? 1 : b < 0xF0 ? 2 : 3;
    std::uint32_t v = b & (0x3F >> need);
    std::size_t k = 1;
    for (; k <= need && i + k < in.size(); ++k) {
        auto c = static_cast<unsigned char>(in[i + k]);
        if ((c & 0xC0) != 0x80) break;
        v = (v << 6) | (c & 0x3F);
    }
    len = k;
    if (k != need + 1) return std::nullopt;
    const bool overlong = (need == 2 && v < 0x800) || (need == 3 && v < 0x10000);
    const bool surrogate = v >= 0xD800 && v <= 0xDFFF;
    if (overlong || surrogate || v > 0x10FFFF) return std::nullopt;
    return v;
}

void appendUtf16(std::u16string& out, std::uint32_t cp) {
    if (cp >= 0x10000) {
        cp -= 0x10000;
        out += static_cast<char16_t>(0xD800 + (cp >> 10));
        out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    } else {
        out += static_cast<char16_t>(cp);
    }
}

void appendUtf8(std::string& out, std::uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

bool isRawByte(char16_t c) {
    return c >= kRawByteBase + 0x80 && c <= kRawByteBase + 0xFF;
}

// Walks UTF-16 text by code points: a pair as one, a lone surrogate as itself; calls
// each(code point, whether it is a lone surrogate).
template <typename Each>
void forEachCodePoint(std::u16string_view in, Each each) {
    for (std::size_t i = 0; i < in.size(); ++i) {
        std::uint32_t cp = in[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < in.size() && in[i + 1] >= 0xDC00 &&
            in[i + 1] <= 0xDFFF) {
            each(0x10000 + ((cp - 0xD800) << 10) + (in[++i] - 0xDC00u), false);
        } else {
            each(cp, cp >= 0xD800 && cp <= 0xDFFF);
        }
    }
}

}  // namespace

std::u16string fromUtf8(std::string_view in) {
    std::u16string out;
    out.reserve(in.size());
    std::size_t len = 0;
    for (std::size_t i = 0; i < in.size(); i += len)
        appendUtf16(out, decodeAt(in, i, len).value_or(kReplacement));
    return out;
}

std::string toUtf8(std::u16string_view in) {
    std::string out;
    out.reserve(in.size() * 3);
    forEachCodePoint(
        in, [&out](std::uint32_t cp, bool lone) { appendUtf8(out, lone ? kReplacement : cp); });
    return out;
}

std::u16string pathFromSystem(std::string_view bytes) {
    std::u16string out;
    out.reserve(bytes.size());
    std::size_t len = 0;
    for (std::size_t i = 0; i < bytes.size(); i += len) {
        if (const std::optional<std::uint32_t> cp = decodeAt(bytes, i, len)) {
            appendUtf16(out, *cp);
        } else {
            // Only the first byte: the ones after it may begin a valid sequence of their own.
            out += static_cast<char16_t>(kRawByteBase + static_cast<unsigned char>(bytes[i]));
            len = 1;
        }
    }
    return out;
}

std::string systemPath(std::u16string_view path) {
    std::string out;
    out.reserve(path.size());
    forEachCodePoint(path, [&out](std::uint32_t cp, bool lone) {
        if (lone && isRawByte(static_cast<char16_t>(cp)))
            out += static_cast<char>(cp - kRawByteBase);
        else
            appendUtf8(out, lone ? kReplacement : cp);
    });
    return out;
}

std::string readablePath(std::u16string_view path) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(path.size());
    forEachCodePoint(path, [&out](std::uint32_t cp, bool lone) {
        if (lone && isRawByte(static_cast<char16_t>(cp))) {
            const std::uint32_t byte = cp - kRawByteBase;
            out += "\\x";
            out += kDigits[byte >> 4];
            out += kDigits[byte & 0xF];
        } else {
            appendUtf8(out, lone ? kReplacement : cp);
        }
    });
    return out;
}

bool hasRawBytes(std::u16string_view path) {
    bool raw = false;
    forEachCodePoint(path, [&raw](std::uint32_t cp, bool lone) {
        raw = raw || (lone && isRawByte(static_cast<char16_t>(cp)));
    });
    return raw;
}

}  // namespace qvx
