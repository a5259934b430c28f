// The viewer's text as pixels: what qvx --png writes and what the Windows module's thumbnails
// show, drawn from the glyph source.
#pragma once

#include <string_view>
#include <vector>

#include "render/viewer_look.h"

namespace qvx {

// The border around the text, in the background colour: one character cell.
constexpr int kPictureBorder = 8;

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<Rgb> pixels;  // row by row, top row first

    const Rgb& at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

// One 8 x 8 cell per character, one row of cells per line (carriage returns end lines; a final
// one adds no empty line), as wide as the longest line, in the viewer's colours: set pixels in
// the text colour, the rest and the border in the background colour. Characters without a glyph
// (characterRows) are blank cells.
Picture renderText(std::u16string_view text);

// Each pixel as a square of scale x scale pixels (scale 1 or more).
Picture scalePicture(const Picture& picture, int scale);

// The picture's top, scaled to fit a box of maxWidth x maxHeight with its proportions kept: no
// taller than the box's proportions allow (the rest is cut off below), enlarged by the largest
// whole factor that fits, or, when even factor 1 does not, reduced by averaging the pixels each
// new pixel covers. Never larger than the box; empty for an empty picture or a box of no area.
Picture fitPicture(const Picture& picture, int maxWidth, int maxHeight);

}  // namespace qvx
