// Commodore character codes to the display font's private-use code points.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace qvx {

constexpr char16_t kFontBaseFirstSet = 0xEE00;
constexpr char16_t kFontBaseSecondSet = 0xEF00;
constexpr char16_t kReverseOffset = 0x80;

// One output character per input character: base + screen code (+0x80 when reverse is 1).
// Only the low 8 bits of each input character count; charSet 0 is the first set, any other the
// second.
std::u16string petsciiToFont(const std::u16string& text, int reverse, int charSet);

// The same conversion appended to out, for raw image bytes up to the first zero byte (or count);
// returns the number of characters appended. Lets the listing build without temporaries.
std::size_t appendFontBytes(std::u16string& out, const std::uint8_t* bytes, std::size_t count,
                            int reverse, int charSet);

// The font code point the screen shows for one byte printed in quote mode: control codes ($00 to
// $1F and $80 to $9F) as the reverse characters that stand for them there, every other byte as
// petsciiToFont draws it.
char16_t quotedFontChar(std::uint8_t byte, int charSet);

// Appends PETSCII text given in ASCII (capitals, digits and punctuation have the same codes) as
// font code points, none reversed.
void appendFontText(std::u16string& out, std::string_view text, int charSet);

// The same written from to on, which must have room for text.size() characters; returns the end.
char16_t* writeFontText(char16_t* to, std::string_view text, int charSet);

}  // namespace qvx
