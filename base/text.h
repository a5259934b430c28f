// Small UTF-16 text helpers shared by the readers, the renderers and the plug-in.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

namespace qvx {

// An ASCII letter in upper case, as hosts compare extensions; any other character as it is.
constexpr char16_t asciiUpper(char16_t c) {
    return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - u'a' + u'A') : c;
}

// Signed decimal without padding.
std::u16string decimal(std::int64_t value);

// A 32-bit value sign-extended to 64 bits, upper-case hexadecimal, no leading zeros.
std::u16string hex(std::int32_t value);

// Widens 8-bit text one character per byte (ASCII literals, raw image bytes).
std::u16string widen(std::string_view bytes);

// The parts one after the other, in one allocation.
std::u16string joined(std::initializer_list<std::u16string_view> parts);

// UTF-8 to UTF-16 and back; invalid sequences become U+FFFD.
std::u16string fromUtf8(std::string_view utf8);
std::string toUtf8(std::u16string_view text);

}  // namespace qvx
