// Bytes in hexadecimal with the characters beside them, as a machine-code monitor dumps memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace qvx {

constexpr std::size_t kHexRowBytes = 8;

// Appends one line per 8 bytes of bytes[0, size): the address of its first byte (from address;
// 4 hexadecimal digits, 6 when the last address needs more), the bytes, and each byte as the
// screen shows it in quote mode (quotedFontChar). Every character is a font code point of
// charSet, each line ends with a carriage return; nothing for no bytes.
void appendHexView(std::u16string& out, const std::uint8_t* bytes, std::size_t size,
                   std::uint32_t address, int charSet);

}  // namespace qvx
