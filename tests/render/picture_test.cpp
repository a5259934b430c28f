// The text as pixels: cells, lines, colours and border, and the fitting into a host's box.
#include "render/picture.h"

#include <gtest/gtest.h>

#include <string>

#include "render/glyphs.h"

namespace qvx {
namespace {

// Every pixel of a cell against the glyph's rows.
void expectCell(const Picture& picture, int column, int row, const GlyphRows& glyph) {
    for (int y = 0; y < kGlyphSize; ++y) {
        for (int x = 0; x < kGlyphSize; ++x) {
            const bool set = ((glyph[y] >> (kGlyphSize - 1 - x)) & 1) != 0;
            const Rgb& p = picture.at(kPictureBorder + column * kGlyphSize + x,
                                      kPictureBorder + row * kGlyphSize + y);
            ASSERT_EQ(p, set ? kTextColour : kBackgroundColour)
                << "cell " << column << "," << row << " pixel " << x << "," << y;
        }
    }
}

TEST(Picture, DrawsOneCellPerCharacterInsideABorder) {
    struct Case {
        std::u16string text;
        int columns;
        int rows;
    };
    const Case cases[] = {
        {u"", 0, 0},        {u"A", 1, 1},
        {u"A\r", 1, 1},  // a final line break adds no line
        {u"AB\r\rC", 2, 3}, {u"\uEE81\uEF5E\r12 \"X\"", 6, 2},
    };
    for (const Case& c : cases) {
        const Picture picture = renderText(c.text);
        ASSERT_EQ(picture.width, c.columns * 8 + 2 * kPictureBorder);
        ASSERT_EQ(picture.height, c.rows * 8 + 2 * kPictureBorder);
        ASSERT_EQ(picture.pixels.size(), static_cast<std::size_t>(picture.width) * picture.height);
        int column = 0, row = 0;
        for (char16_t ch : c.text) {
            if (ch == u'\r') {
                for (; column < c.columns; ++column) expectCell(picture, column, row, {});
                column = 0;
                ++row;
                continue;
            }
            expectCell(picture, column++, row, characterRows(ch).value_or(GlyphRows{}));
        }
        for (int x = 0; x < picture.width; ++x) {
            for (int y = 0; y < picture.height; ++y) {
                const bool border = x < kPictureBorder || y < kPictureBorder ||
                                    x >= picture.width - kPictureBorder ||
                                    y >= picture.height - kPictureBorder;
                if (border) ASSERT_EQ(picture.at(x, y), kBackgroundColour) << x << "," << y;
            }
        }
    }
}

// A picture whose pixels tell where they come from.
Picture numbered(int width, int height) {
    Picture p{width, height, {}};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            p.pixels.push_back({static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(y), 7});
    return p;
}

TEST(Picture, FitsTheTopIntoTheBoxNeverLarger) {
    struct Case {
        int width, height;        // the picture
        int boxWidth, boxHeight;  // what the host asks for
        int outWidth, outHeight;
        int scale;  // 0: reduced
    };
    const Case cases[] = {
        {40, 20, 40, 20, 40, 20, 1},    // as it is
        {40, 20, 100, 100, 80, 40, 2},  // a whole factor, the host centres it
        {40, 20, 119, 60, 80, 40, 2},   // 3 would be too wide
        {40, 100, 40, 20, 40, 20, 1},   // a long listing: its top
        {40, 100, 80, 80, 80, 80, 2},   // its top, as square as the box
        {40, 20, 20, 20, 20, 10, 0},    // halved
        {40, 100, 10, 40, 10, 25, 0},   // the whole of it fits the tall box's shape
        {40, 20, 1, 1, 1, 1, 0},        // the least there is
        {250, 30, 100, 1000, 100, 12, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.boxWidth) + "x" + std::to_string(c.boxHeight));
        const Picture source = numbered(c.width, c.height);
        const Picture fitted = fitPicture(source, c.boxWidth, c.boxHeight);
        ASSERT_EQ(fitted.width, c.outWidth);
        ASSERT_EQ(fitted.height, c.outHeight);
        ASSERT_EQ(fitted.pixels.size(), static_cast<std::size_t>(c.outWidth) * c.outHeight);
        if (c.scale == 0) continue;
        for (int y = 0; y < fitted.height; ++y)
            for (int x = 0; x < fitted.width; ++x)
                ASSERT_EQ(fitted.at(x, y), source.at(x / c.scale, y / c.scale)) << x << "," << y;
    }
    EXPECT_TRUE(fitPicture(numbered(8, 8), 0, 10).pixels.empty());
    EXPECT_TRUE(fitPicture(numbered(8, 8), 10, -1).pixels.empty());
    EXPECT_TRUE(fitPicture(Picture{}, 10, 10).pixels.empty());
}

TEST(Picture, ReducesByAveragingWhatEachPixelCovers) {
    // Columns alternate between two colours: halved, each pixel is their mean; a third, the
    // three-pixel groups' mean, rounded.
    Picture stripes{6, 2, {}};
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 6; ++x)
            stripes.pixels.push_back(x % 2 ? Rgb{200, 10, 0} : Rgb{100, 20, 255});
    const Picture half = fitPicture(stripes, 3, 1);
    ASSERT_EQ(half.width, 3);
    ASSERT_EQ(half.height, 1);
    for (const Rgb& p : half.pixels) EXPECT_EQ(p, (Rgb{150, 15, 128}));
    const Picture third = fitPicture(stripes, 2, 1);
    ASSERT_EQ(third.width, 2);
    EXPECT_EQ(third.at(0, 0), (Rgb{133, 17, 170}));  // 100, 200, 100
    EXPECT_EQ(third.at(1, 0), (Rgb{167, 13, 85}));   // 200, 100, 200
    // An uneven step: 6 to 4 takes one and a half pixels each, in parts.
    const Picture uneven = fitPicture(stripes, 4, 2);
    ASSERT_EQ(uneven.width, 4);
    ASSERT_EQ(uneven.height, 1);
    EXPECT_EQ(uneven.at(0, 0), (Rgb{133, 17, 170}));  // 100 and half of 200
    EXPECT_EQ(uneven.at(2, 0), (Rgb{167, 13, 85}));   // 200 and half of 100
}

}  // namespace
}  // namespace qvx
