// PETSCII to screen codes, placed at the display font's private-use code points.
#include "render/petscii.h"

#include <array>
#include <cstdint>

namespace qvx {
namespace {

constexpr std::uint8_t screenCode(unsigned b) {
    if (b < 0x20) return 0x00;
    if (b < 0x40) return static_cast<std::uint8_t>(b);
    if (b < 0x60) return static_cast<std::uint8_t>(b - 0x40);
    if (b < 0x80) return static_cast<std::uint8_t>(b - 0x20);
    if (b < 0xA0) return 0x00;
    if (b < 0xC0) return static_cast<std::uint8_t>(b - 0x40);
    if (b < 0xFF) return static_cast<std::uint8_t>(b - 0x80);
    return 0x5E;  // pi shares the glyph of 0xDE
}

// The listing converts every name through here, so one lookup per character.
constexpr std::array<std::uint8_t, 256> makeScreenCodes() {
    std::array<std::uint8_t, 256> table{};
    for (unsigned b = 0; b < 256; ++b) table[b] = screenCode(b);
    return table;
}

constexpr std::array<std::uint8_t, 256> kScreenCodes = makeScreenCodes();

unsigned fontBase(int reverse, int charSet) {
    return (charSet != 0 ? kFontBaseSecondSet : kFontBaseFirstSet) +
           (reverse == 1 ? kReverseOffset : 0);
}

}  // namespace

std::u16string petsciiToFont(const std::u16string& text, int reverse, int charSet) {
    const unsigned base = fontBase(reverse, charSet);
    std::u16string out;
    out.resize(text.size());
    for (std::size_t i = 0; i < text.size(); ++i)
        out[i] = static_cast<char16_t>(base + kScreenCodes[text[i] & 0xFFu]);
    return out;
}

std::size_t appendFontBytes(std::u16string& out, const std::uint8_t* bytes, std::size_t count,
                            int reverse, int charSet) {
    const unsigned base = fontBase(reverse, charSet);
    std::size_t n = 0;
    while (n < count && bytes[n] != 0) {
        out += static_cast<char16_t>(base + kScreenCodes[bytes[n]]);
        ++n;
    }
    return n;
}

char16_t quotedFontChar(std::uint8_t byte, int charSet) {
    if (byte < 0x20) return static_cast<char16_t>(fontBase(1, charSet) + byte);
    if (byte >= 0x80 && byte < 0xA0)
        return static_cast<char16_t>(fontBase(1, charSet) + byte - 0x40);
    return static_cast<char16_t>(fontBase(0, charSet) + kScreenCodes[byte]);
}

void appendFontText(std::u16string& out, std::string_view text, int charSet) {
    const std::size_t at = out.size();
    out.resize(at + text.size());
    writeFontText(&out[at], text, charSet);
}

char16_t* writeFontText(char16_t* to, std::string_view text, int charSet) {
    const unsigned base = fontBase(0, charSet);
    for (char c : text)
        *to++ = static_cast<char16_t>(base + kScreenCodes[static_cast<std::uint8_t>(c)]);
    return to;
}

}  // namespace qvx
