// SEQ and USR files as text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace qvx {

// Appends PETSCII text: each $0D ends a line (a carriage return), every other byte is shown as
// quote mode shows it (quotedFontChar, charSet). A last line without its $0D is ended too.
void appendTextView(std::u16string& out, const std::uint8_t* bytes, std::size_t size, int charSet);

}  // namespace qvx
