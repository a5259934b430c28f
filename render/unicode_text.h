// The viewer's text as readable Unicode: Commodore glyphs as the Unicode characters that look like
// them, for terminals, the clipboard and data.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace qvx {

// The Unicode character drawn for a screen code (0x00..0x7F) of character set 0 (upper case and
// graphics) or any other set (lower and upper case); reverse video is not part of it.
char32_t screenCodeGlyph(int charSet, std::uint8_t screenCode);

// True for the display font's private-use code points, U+EE00..U+EFFF.
bool isFontCodePoint(char16_t c);

// The Unicode character of a font code point in its own set; other characters are returned as
// they are.
char32_t unicodeGlyph(char16_t c);

// A font code point whose screen code is 0x80..0xFF.
bool isReverseVideo(char16_t c);

// Appends c as UTF-16 (a surrogate pair beyond the BMP).
void appendCodePoint(std::u16string& out, char32_t c);

// The text as a reader sees it, for the clipboard and data: font code points as their glyphs,
// reverse video dropped, each carriage return replaced by lineBreak.
std::u16string readableText(std::u16string_view text, std::u16string_view lineBreak);

}  // namespace qvx
