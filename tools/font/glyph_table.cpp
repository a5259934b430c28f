// Prints, for both character sets, the Unicode character that stands for each screen code:
// "SET CODE HEX" per line, what tools/font/extract_glyphs.py takes.
#include <cstdio>

#include "render/unicode_text.h"

int main() {
    for (int set = 0; set < 2; ++set)
        for (int code = 0; code < 0x80; ++code)
            std::printf(
                "%d %d %X\n", set, code,
                static_cast<unsigned>(qvx::screenCodeGlyph(set, static_cast<std::uint8_t>(code))));
    return 0;
}
