// Turns the viewer's text into what a terminal can show: Commodore glyphs as Unicode characters.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace qvx::cli {

// The Unicode character drawn for a screen code (0x00..0x7F) of character set 0 (upper case and
// graphics) or any other set (lower and upper case); reverse video is not part of it.
char32_t screenCodeGlyph(int charSet, std::uint8_t screenCode);

// True for the display font's private-use code points, U+EE00..U+EFFF.
bool isFontCodePoint(char16_t c);

// The Unicode character of a font code point in its own set; other characters are returned as
// they are.
char32_t terminalGlyph(char16_t c);

// A font code point whose screen code is 0x80..0xFF.
bool isReverseVideo(char16_t c);

// The text as UTF-8 for a terminal: font code points as glyphs, carriage returns as line feeds,
// and, with color, reverse-video runs between SGR 7 and SGR 27.
std::string terminalText(std::u16string_view text, bool color);

// The text exactly as the viewer gets it, as UTF-8: nothing mapped, added or dropped.
std::string rawText(std::u16string_view text);

}  // namespace qvx::cli
