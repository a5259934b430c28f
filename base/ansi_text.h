// The 8-bit text of the plug-in interfaces: the ANSI code page on Windows, UTF-8 elsewhere.
#pragma once

#include <string>
#include <string_view>

namespace qvx {

// A zero-terminated 8-bit text as UTF-16; empty for null. Bytes the code page does not map become
// its default character (U+FFFD for invalid UTF-8).
std::u16string fromAnsi(const char* text);

// UTF-16 as 8-bit text; characters the code page lacks become its default character.
std::string toAnsi(std::u16string_view text);

}  // namespace qvx
