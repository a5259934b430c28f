// The Commodore characters' pixels, as the glyph source (font/glyphs.txt) draws them: the one
// source of the fonts and of the pixel renderer.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

namespace qvx {

constexpr int kGlyphSize = 8;  // pixels a side

// Eight rows, top first; bit 7 is the leftmost pixel.
using GlyphRows = std::array<std::uint8_t, kGlyphSize>;

// Screen code 0x00..0xFF of character set 0 or any other set (the second): 0x80..0xFF are the
// exact inverse of their base glyph.
GlyphRows screenCodeRows(int charSet, std::uint8_t screenCode);

// The pixels drawn for one character of the viewer's text: the font code points their screen
// code, and a printable ASCII character the glyph of the screen code that stands for it (the
// first set's, else the second's), as QVX Mono draws it. Nothing for any other character.
std::optional<GlyphRows> characterRows(char16_t c);

}  // namespace qvx
