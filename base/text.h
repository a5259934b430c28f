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

// A POSIX path's bytes as UTF-16: valid UTF-8 decoded, every other byte B (0x80 to 0xFF) as the
// lone surrogate U+DC00 + B, so that systemPath gives back exactly the bytes, whatever they are.
// (Windows paths are UTF-16 already and need neither.)
std::u16string pathFromSystem(std::string_view bytes);

// The bytes of such a path for the system: UTF-8, each lone U+DC80 to U+DCFF as the byte it
// stands for; any other lone surrogate, which no byte gives, as U+FFFD.
std::string systemPath(std::u16string_view path);

// The path for a message or a text: UTF-8, each byte that is not UTF-8 written as "\xE9".
std::string readablePath(std::u16string_view path);

// Whether the path holds a byte that is not UTF-8: its text and its bytes differ.
bool hasRawBytes(std::u16string_view path);

}  // namespace qvx
