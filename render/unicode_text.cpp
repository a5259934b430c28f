// Commodore screen codes to the Unicode characters that look like their glyphs.
#include "render/unicode_text.h"

#include <array>

#include "render/petscii.h"

namespace qvx {
namespace {

using GlyphTable = std::array<char32_t, 128>;

// Screen codes 0x40..0x7F of the upper-case set. Thin lines keep their position in the cell
// (the one-eighth blocks of Symbols for Legacy Computing); the lines that join the box corners
// and crosses are the box-drawing ones.
constexpr std::array<char32_t, 64> kUpperGraphics = {
    0x2500,  0x2660,  0x1FB72, 0x1FB78, 0x1FB77, 0x1FB76, 0x1FB7A, 0x1FB71,  // 40..47
    0x1FB74, 0x256E,  0x2570,  0x256F,  0x1FB7C, 0x2572,  0x2571,  0x1FB7D,  // 48..4F
    0x1FB7E, 0x25CF,  0x1FB7B, 0x2665,  0x1FB70, 0x256D,  0x2573,  0x25CB,   // 50..57
    0x2663,  0x1FB75, 0x2666,  0x253C,  0x1FB8C, 0x2502,  0x03C0,  0x25E5,   // 58..5F
    0x0020,  0x258C,  0x2584,  0x2594,  0x2581,  0x258F,  0x1FB95, 0x2595,   // 60..67
    0x1FB8F, 0x25E4,  0x1FB87, 0x251C,  0x2597,  0x2514,  0x2510,  0x2582,   // 68..6F
    0x250C,  0x2534,  0x252C,  0x2524,  0x258E,  0x258D,  0x1FB88, 0x1FB82,  // 70..77
    0x1FB83, 0x2583,  0x1FB7F, 0x2596,  0x259D,  0x2518,  0x2598,  0x259A,   // 78..7F
};

constexpr GlyphTable makeUpperSet() {
    GlyphTable t{};
    t[0x00] = U'@';
    for (char32_t i = 1; i <= 26; ++i) t[i] = U'A' + i - 1;
    t[0x1B] = U'[';
    t[0x1C] = 0x00A3;  // pound sign
    t[0x1D] = U']';
    t[0x1E] = 0x2191;  // up arrow
    t[0x1F] = 0x2190;  // left arrow
    for (char32_t i = 0x20; i < 0x40; ++i) t[i] = i;
    for (std::size_t i = 0; i < kUpperGraphics.size(); ++i) t[0x40 + i] = kUpperGraphics[i];
    return t;
}

// The lower-case set swaps the letters and replaces five graphics.
constexpr GlyphTable makeLowerSet() {
    GlyphTable t = makeUpperSet();
    for (char32_t i = 1; i <= 26; ++i) {
        t[i] = U'a' + i - 1;
        t[0x40 + i] = U'A' + i - 1;
    }
    t[0x5E] = 0x1FB96;  // checkerboard in the opposite phase to 0x66
    t[0x5F] = 0x1FB98;
    t[0x69] = 0x1FB99;
    t[0x7A] = 0x2713;  // check mark
    return t;
}

constexpr GlyphTable kUpperSet = makeUpperSet();
constexpr GlyphTable kLowerSet = makeLowerSet();

constexpr char16_t kFontEnd = kFontBaseSecondSet + 0x100;
}  // namespace

char32_t screenCodeGlyph(int charSet, std::uint8_t screenCode) {
    const GlyphTable& table = charSet == 0 ? kUpperSet : kLowerSet;
    return table[screenCode & 0x7F];
}

bool isFontCodePoint(char16_t c) {
    return c >= kFontBaseFirstSet && c < kFontEnd;
}

char32_t unicodeGlyph(char16_t c) {
    if (!isFontCodePoint(c)) return c;
    const int charSet = c < kFontBaseSecondSet ? 0 : 1;
    return screenCodeGlyph(charSet, static_cast<std::uint8_t>(c & 0xFF));
}

bool isReverseVideo(char16_t c) {
    return isFontCodePoint(c) && (c & kReverseOffset) != 0;
}

void appendCodePoint(std::u16string& out, char32_t c) {
    if (c < 0x10000) {
        out += static_cast<char16_t>(c);
    } else {
        c -= 0x10000;
        out += static_cast<char16_t>(0xD800 + (c >> 10));
        out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
    }
}

std::u16string readableText(std::u16string_view text, std::u16string_view lineBreak) {
    std::u16string out;
    out.reserve(text.size() + text.size() / 8);
    for (char16_t c : text) {
        if (c == u'\r') {
            out += lineBreak;
        } else {
            appendCodePoint(out, unicodeGlyph(c));
        }
    }
    return out;
}

}  // namespace qvx
