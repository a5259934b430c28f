// Text to pixels, and pictures to the size a host asks for.
#include "render/picture.h"

#include <algorithm>
#include <cstdint>

#include "render/glyphs.h"

namespace qvx {
namespace {

std::vector<std::u16string_view> splitLines(std::u16string_view text) {
    std::vector<std::u16string_view> lines;
    while (!text.empty()) {
        const std::size_t end = std::min(text.find(u'\r'), text.size());
        lines.push_back(text.substr(0, end));
        text.remove_prefix(std::min(end + 1, text.size()));
    }
    return lines;
}

Picture blank(int width, int height) {
    return {width, height,
            std::vector<Rgb>(static_cast<std::size_t>(width) * height, kBackgroundColour)};
}

// Which part of source pixel j (of n) falls into target pixel i (of m <= n), in 1/m pixels.
std::int64_t overlap(std::int64_t i, std::int64_t j, std::int64_t n, std::int64_t m) {
    const std::int64_t from = std::max(j * m, i * n);
    const std::int64_t to = std::min((j + 1) * m, (i + 1) * n);
    return std::max<std::int64_t>(0, to - from);
}

Picture reduce(const Picture& source, int width, int height) {
    Picture out = blank(width, height);
    const std::int64_t n = source.width, m = width, nh = source.height, mh = height;
    const std::int64_t whole = n * nh;
    for (std::int64_t y = 0; y < mh; ++y) {
        const std::int64_t y0 = y * nh / mh, y1 = std::min(nh, ((y + 1) * nh + mh - 1) / mh);
        for (std::int64_t x = 0; x < m; ++x) {
            const std::int64_t x0 = x * n / m, x1 = std::min(n, ((x + 1) * n + m - 1) / m);
            std::int64_t red = 0, green = 0, blue = 0;
            for (std::int64_t sy = y0; sy < y1; ++sy) {
                const std::int64_t wy = overlap(y, sy, nh, mh);
                for (std::int64_t sx = x0; sx < x1; ++sx) {
                    const std::int64_t w = wy * overlap(x, sx, n, m);
                    const Rgb& p = source.at(static_cast<int>(sx), static_cast<int>(sy));
                    red += w * p.red;
                    green += w * p.green;
                    blue += w * p.blue;
                }
            }
            auto mean = [whole](std::int64_t sum) {
                return static_cast<std::uint8_t>((sum + whole / 2) / whole);
            };
            out.pixels[static_cast<std::size_t>(y * m + x)] = {mean(red), mean(green), mean(blue)};
        }
    }
    return out;
}

}  // namespace

Picture renderText(std::u16string_view text) {
    const std::vector<std::u16string_view> lines = splitLines(text);
    std::size_t columns = 0;
    for (std::u16string_view line : lines) columns = std::max(columns, line.size());
    Picture picture = blank(static_cast<int>(columns) * kGlyphSize + 2 * kPictureBorder,
                            static_cast<int>(lines.size()) * kGlyphSize + 2 * kPictureBorder);
    for (std::size_t row = 0; row < lines.size(); ++row) {
        for (std::size_t column = 0; column < lines[row].size(); ++column) {
            const std::optional<GlyphRows> glyph = characterRows(lines[row][column]);
            if (!glyph) continue;
            const int left = kPictureBorder + static_cast<int>(column) * kGlyphSize;
            const int top = kPictureBorder + static_cast<int>(row) * kGlyphSize;
            for (int y = 0; y < kGlyphSize; ++y)
                for (int x = 0; x < kGlyphSize; ++x)
                    if (((*glyph)[y] >> (kGlyphSize - 1 - x)) & 1)
                        picture
                            .pixels[static_cast<std::size_t>(top + y) * picture.width + left + x] =
                            kTextColour;
        }
    }
    return picture;
}

Picture scalePicture(const Picture& picture, int scale) {
    Picture out = blank(picture.width * scale, picture.height * scale);
    for (int y = 0; y < out.height; ++y)
        for (int x = 0; x < out.width; ++x)
            out.pixels[static_cast<std::size_t>(y) * out.width + x] =
                picture.at(x / scale, y / scale);
    return out;
}

Picture fitPicture(const Picture& picture, int maxWidth, int maxHeight) {
    if (picture.width <= 0 || picture.height <= 0 || maxWidth <= 0 || maxHeight <= 0) return {};
    const std::int64_t w = picture.width;
    // The top, cut to the box's proportions (rounded up: the box's shape at the least).
    const std::int64_t h = std::min<std::int64_t>(
        picture.height, std::max<std::int64_t>(1, (w * maxHeight + maxWidth - 1) / maxWidth));
    const Picture top{
        picture.width, static_cast<int>(h),
        std::vector<Rgb>(picture.pixels.begin(),
                         picture.pixels.begin() + static_cast<std::ptrdiff_t>(w * h))};
    const std::int64_t scale = std::min(maxWidth / w, maxHeight / h);
    if (scale >= 1) return scale == 1 ? top : scalePicture(top, static_cast<int>(scale));
    std::int64_t width = maxWidth, height = maxHeight;
    if (std::int64_t{maxWidth} * h <= std::int64_t{maxHeight} * w) {
        height = std::max<std::int64_t>(1, h * maxWidth / w);
    } else {
        width = std::max<std::int64_t>(1, w * maxHeight / h);
    }
    return reduce(top, static_cast<int>(width), static_cast<int>(height));
}

}  // namespace qvx
