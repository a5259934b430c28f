// Prints what the pixel renderer draws for each character QVX Mono may hold: printable ASCII and
// the font code points, one line each, "HEX" followed by the eight rows in hexadecimal (bit 7 the
// leftmost pixel), or "HEX -" when the renderer has no glyph for it. check_font.py compares the
// font with it.
#include <cstdio>
#include <string>

#include "render/glyphs.h"
#include "render/picture.h"

namespace {

void printCell(char16_t c) {
    std::printf("%04X", static_cast<unsigned>(c));
    if (!qvx::characterRows(c)) {
        std::printf(" -\n");
        return;
    }
    const qvx::Picture picture = qvx::renderText(std::u16string(1, c));
    for (int y = 0; y < qvx::kGlyphSize; ++y) {
        unsigned row = 0;
        for (int x = 0; x < qvx::kGlyphSize; ++x)
            row = row << 1 | (picture.at(qvx::kPictureBorder + x, qvx::kPictureBorder + y) ==
                              qvx::kTextColour);
        std::printf(" %02X", row);
    }
    std::printf("\n");
}

}  // namespace

int main() {
    for (char16_t c = 0x20; c < 0x7F; ++c) printCell(c);
    for (char16_t c = 0xEE00; c < 0xF000; ++c) printCell(c);
    return 0;
}
