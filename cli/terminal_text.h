// Turns the viewer's text into what a terminal can show: Commodore glyphs as Unicode characters.
#pragma once

#include <string>
#include <string_view>

namespace qvx::cli {

// The text as UTF-8 for a terminal: font code points as glyphs, carriage returns as line feeds,
// and, with color, reverse-video runs between SGR 7 and SGR 27.
std::string terminalText(std::u16string_view text, bool color);

// The text exactly as the viewer gets it, as UTF-8: nothing mapped, added or dropped.
std::string rawText(std::u16string_view text);

}  // namespace qvx::cli
