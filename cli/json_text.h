// The few pieces of JSON the qvx command writes, appended to a UTF-8 buffer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace qvx::cli {

// A JSON string of UTF-8 text: quotes around it, '"', '\' and control characters escaped, every
// other byte as it is. The text must be valid UTF-8 (toUtf8 makes it so).
void appendJsonString(std::string& out, std::string_view utf8);

// A JSON string of the bytes in lower-case hexadecimal, two digits a byte.
void appendJsonHex(std::string& out, const std::uint8_t* bytes, std::size_t count);

}  // namespace qvx::cli
