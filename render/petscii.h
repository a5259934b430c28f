// Commodore character codes to the display font's private-use code points.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

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

}  // namespace qvx
