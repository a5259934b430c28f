#!/usr/bin/python3
"""Writes the glyph source (font/glyphs.txt) as a C++ header for the pixel renderer:

    make_glyph_rows.py GLYPHS.txt OUT.h

kGlyphRows[set][screen code] holds the eight rows of screen codes 0x00-0x7F (bit 7 the leftmost
pixel), kGlyphCharacters[set][screen code] the Unicode character the source names for each.
"""
import sys

import glyph_source


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    glyphs = glyph_source.read(sys.argv[1])
    out = ["// Made from font/glyphs.txt by tools/font/make_glyph_rows.py at build time.",
           "#pragma once", "", "#include <cstdint>", "", "namespace qvx::glyph_data {", "",
           "constexpr std::uint8_t kGlyphRows[2][128][8] = {"]
    for charset in range(glyph_source.SETS):
        out.append("    {")
        for code in range(glyph_source.CODES):
            rows = ", ".join(f"0x{r:02X}" for r in glyphs[(charset, code)].rows)
            out.append(f"        {{{rows}}},")
        out.append("    },")
    out += ["};", "", "constexpr char32_t kGlyphCharacters[2][128] = {"]
    for charset in range(glyph_source.SETS):
        codes = [f"0x{glyphs[(charset, code)].unicode:X}" for code in range(glyph_source.CODES)]
        out.append("    {" + ", ".join(codes) + "},")
    out += ["};", "", "}  // namespace qvx::glyph_data", ""]
    with open(sys.argv[2], "w", encoding="utf-8") as f:
        f.write("\n".join(out))


if __name__ == "__main__":
    main()
