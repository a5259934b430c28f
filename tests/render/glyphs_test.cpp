// The glyph source against the characters it stands for: the shapes of the line, corner, cross,
// block and checkerboard characters of both sets, reverse video, and the characters the renderer
// draws.
#include "render/glyphs.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>

#include "glyph_rows.h"
#include "render/petscii.h"
#include "render/unicode_text.h"

namespace qvx {
namespace {

bool pixel(const GlyphRows& rows, int row, int column) {
    return ((rows[row] >> (kGlyphSize - 1 - column)) & 1) != 0;
}

std::string picture(const GlyphRows& rows) {
    std::string out;
    for (int r = 0; r < kGlyphSize; ++r) {
        out += '\n';
        for (int c = 0; c < kGlyphSize; ++c) out += pixel(rows, r, c) ? '#' : '.';
    }
    return out;
}

// Each check says what is wrong with a glyph, or nothing.
using Check = std::function<std::string(const GlyphRows&)>;

Check exactly(std::function<bool(int row, int column)> expected) {
    return [expected](const GlyphRows& rows) -> std::string {
        for (int r = 0; r < kGlyphSize; ++r)
            for (int c = 0; c < kGlyphSize; ++c)
                if (pixel(rows, r, c) != expected(r, c))
                    return "pixel at row " + std::to_string(r) + ", column " + std::to_string(c);
        return {};
    };
}

bool within(int v, int low, int high) {
    return v >= low && v <= high;
}

Check rows(int first, int last) {
    return exactly([=](int r, int) { return within(r, first, last); });
}

Check columns(int first, int last) {
    return exactly([=](int, int c) { return within(c, first, last); });
}

// A thin line across the cell through the given eighth (row or column, 0 to 7): one or two full
// rows (columns) that include it, the second one further from the nearer edge or the centre, and
// nothing else.
Check line(bool horizontal, int eighth) {
    return [=](const GlyphRows& glyph) -> std::string {
        auto full = [&](int i) {
            for (int j = 0; j < kGlyphSize; ++j)
                if (!pixel(glyph, horizontal ? i : j, horizontal ? j : i)) return false;
            return true;
        };
        auto empty = [&](int i) {
            for (int j = 0; j < kGlyphSize; ++j)
                if (pixel(glyph, horizontal ? i : j, horizontal ? j : i)) return false;
            return true;
        };
        if (!full(eighth)) return "the named eighth is not a full line";
        int thickness = 1;
        for (int i = 0; i < kGlyphSize; ++i) {
            if (i == eighth || empty(i)) continue;
            if (std::abs(i - eighth) != 1 || !full(i)) return "more than a line, or a broken one";
            ++thickness;
        }
        return thickness <= 2 ? "" : "a line of three";
    };
}

// The box drawings: two-pixel lines through the centre (rows and columns 3 and 4) from the
// centre to each side named.
Check box(bool up, bool down, bool left, bool right) {
    return exactly([=](int r, int c) {
        const bool vertical = within(c, 3, 4) && within(r, up ? 0 : 3, down ? 7 : 4);
        const bool horizontal = within(r, 3, 4) && within(c, left ? 0 : 3, right ? 7 : 4);
        return vertical || horizontal;
    });
}

// The rounded corners: they leave the cell in the middle of the sides named and touch no other.
Check arms(bool up, bool down, bool left, bool right) {
    return [=](const GlyphRows& glyph) -> std::string {
        const struct {
            bool wanted;
            std::function<bool(int)> at;
        } sides[] = {{up, [&](int i) { return pixel(glyph, 0, i); }},
                     {down, [&](int i) { return pixel(glyph, 7, i); }},
                     {left, [&](int i) { return pixel(glyph, i, 0); }},
                     {right, [&](int i) { return pixel(glyph, i, 7); }}};
        for (const auto& side : sides) {
            for (int i = 0; i < kGlyphSize; ++i)
                if (side.at(i) != (side.wanted && within(i, 3, 4)))
                    return "a side touched where it should not be, or left untouched";
        }
        return {};
    };
}

// Two-by-two squares in alternation, the top-left one set unless inverse.
bool checker(int r, int c, bool inverse) {
    return ((r / 2 + c / 2) % 2 == 0) != inverse;
}

struct ShapeCase {
    char32_t character;
    const char* what;
    Check check;
};

const std::vector<ShapeCase>& shapeCases() {
    static const std::vector<ShapeCase> cases = {
        {0x2500, "horizontal line", box(false, false, true, true)},
        {0x2502, "vertical line", box(true, true, false, false)},
        {0x253C, "cross", box(true, true, true, true)},
        {0x251C, "tee to the right", box(true, true, false, true)},
        {0x2524, "tee to the left", box(true, true, true, false)},
        {0x252C, "tee down", box(false, true, true, true)},
        {0x2534, "tee up", box(true, false, true, true)},
        {0x250C, "corner down and right", box(false, true, false, true)},
        {0x2510, "corner down and left", box(false, true, true, false)},
        {0x2514, "corner up and right", box(true, false, false, true)},
        {0x2518, "corner up and left", box(true, false, true, false)},
        {0x256D, "round corner down and right", arms(false, true, false, true)},
        {0x256E, "round corner down and left", arms(false, true, true, false)},
        {0x2570, "round corner up and right", arms(true, false, false, true)},
        {0x256F, "round corner up and left", arms(true, false, true, false)},
        {0x2571, "diagonal up", exactly([](int r, int c) { return std::abs(r + c - 7) <= 1; })},
        {0x2572, "diagonal down", exactly([](int r, int c) { return std::abs(r - c) <= 1; })},
        {0x2573, "diagonal cross",
         exactly([](int r, int c) { return std::abs(r + c - 7) <= 1 || std::abs(r - c) <= 1; })},
        {0x1FB76, "line in the second row", line(true, 1)},
        {0x1FB77, "line in the third row", line(true, 2)},
        {0x1FB78, "line in the fourth row", line(true, 3)},
        {0x1FB7A, "line in the sixth row", line(true, 5)},
        {0x1FB7B, "line in the seventh row", line(true, 6)},
        {0x2594, "line at the top", line(true, 0)},
        {0x2581, "line at the bottom", line(true, 7)},
        {0x1FB70, "line in the second column", line(false, 1)},
        {0x1FB71, "line in the third column", line(false, 2)},
        {0x1FB72, "line in the fourth column", line(false, 3)},
        {0x1FB74, "line in the sixth column", line(false, 5)},
        {0x1FB75, "line in the seventh column", line(false, 6)},
        {0x258F, "line at the left", line(false, 0)},
        {0x2595, "line at the right", line(false, 7)},
        {0x1FB7C, "left and bottom edges", exactly([](int r, int c) { return c <= 1 || r >= 6; })},
        {0x1FB7D, "left and top edges", exactly([](int r, int c) { return c <= 1 || r <= 1; })},
        {0x1FB7E, "right and top edges", exactly([](int r, int c) { return c >= 6 || r <= 1; })},
        {0x1FB7F, "right and bottom edges", exactly([](int r, int c) { return c >= 6 || r >= 6; })},
        {0x258C, "left half", columns(0, 3)},
        {0x258E, "left quarter", columns(0, 1)},
        {0x258D, "left three eighths", columns(0, 2)},
        {0x1FB87, "right quarter", columns(6, 7)},
        {0x1FB88, "right three eighths", columns(5, 7)},
        {0x2584, "lower half", rows(4, 7)},
        {0x2582, "lower quarter", rows(6, 7)},
        {0x2583, "lower three eighths", rows(5, 7)},
        {0x1FB82, "upper quarter", rows(0, 1)},
        {0x1FB83, "upper three eighths", rows(0, 2)},
        {0x2596, "lower left quadrant", exactly([](int r, int c) { return r >= 4 && c < 4; })},
        {0x2597, "lower right quadrant", exactly([](int r, int c) { return r >= 4 && c >= 4; })},
        {0x2598, "upper left quadrant", exactly([](int r, int c) { return r < 4 && c < 4; })},
        {0x259D, "upper right quadrant", exactly([](int r, int c) { return r < 4 && c >= 4; })},
        {0x259A, "upper left and lower right quadrants",
         exactly([](int r, int c) { return (r < 4) == (c < 4); })},
        {0x25E4, "upper left triangle", exactly([](int r, int c) { return r + c <= 7; })},
        {0x25E5, "upper right triangle", exactly([](int r, int c) { return c >= r; })},
        {0x1FB95, "checkerboard", exactly([](int r, int c) { return checker(r, c, false); })},
        {0x1FB96, "inverse checkerboard",
         exactly([](int r, int c) { return checker(r, c, true); })},
        {0x1FB8C, "checkerboard in the left half",
         exactly([](int r, int c) { return c < 4 && checker(r, c, false); })},
        {0x1FB8F, "checkerboard in the lower half",
         exactly([](int r, int c) { return r >= 4 && checker(r, c, false); })},
        {0x1FB98, "stripes from upper left to lower right",
         exactly([](int r, int c) { return (c - r + 8) % 4 >= 2; })},
        {0x1FB99, "stripes from upper right to lower left",
         exactly([](int r, int c) { return (c + r) % 4 < 2; })},
    };
    return cases;
}

TEST(Glyphs, LinesCornersCrossesBlocksAndCheckerboardsHaveTheShapeOfTheirCharacter) {
    std::map<char32_t, int> met;
    for (int set = 0; set < 2; ++set) {
        for (int code = 0; code < 0x80; ++code) {
            const char32_t character = screenCodeGlyph(set, static_cast<std::uint8_t>(code));
            for (const ShapeCase& c : shapeCases()) {
                if (c.character != character) continue;
                ++met[character];
                const GlyphRows rows = screenCodeRows(set, static_cast<std::uint8_t>(code));
                EXPECT_EQ(c.check(rows), "")
                    << "set " << set << ", screen code " << code << ", " << c.what << picture(rows);
            }
        }
    }
    // Every shape is that of a character of the sets; most are in both.
    for (const ShapeCase& c : shapeCases()) EXPECT_GT(met[c.character], 0) << c.what;
}

TEST(Glyphs, NameTheCharactersOfTheTextFormAndOnlySpacesAreEmpty) {
    for (int set = 0; set < 2; ++set) {
        for (int code = 0; code < 0x80; ++code) {
            const auto screenCode = static_cast<std::uint8_t>(code);
            SCOPED_TRACE("set " + std::to_string(set) + ", screen code " + std::to_string(code));
            // The characters the source names, which place QVX Mono's ASCII glyphs.
            EXPECT_EQ(glyph_data::kGlyphCharacters[set][code], screenCodeGlyph(set, screenCode));
            const GlyphRows base = screenCodeRows(set, screenCode);
            const GlyphRows reverse = screenCodeRows(set, screenCode | kReverseOffset);
            bool empty = true;
            for (int r = 0; r < kGlyphSize; ++r) {
                EXPECT_EQ(reverse[r], static_cast<std::uint8_t>(~base[r]));
                empty = empty && base[r] == 0;
            }
            EXPECT_EQ(empty, code == 0x20 || code == 0x60);
        }
    }
}

TEST(Glyphs, DrawTheViewersTextAsTheFontDoes) {
    struct Case {
        char16_t character;
        int charSet;
        std::uint8_t screenCode;
    };
    const Case cases[] = {
        {0xEE41, 0, 0x41}, {0xEEC1, 0, 0xC1}, {0xEF41, 1, 0x41}, {0xEFFF, 1, 0xFF},
        {u'A', 0, 0x01},   {u'0', 0, 0x30},   {u'"', 0, 0x22},   {u'@', 0, 0x00},
        {u'a', 1, 0x01},   {u'z', 1, 0x1A},   {u' ', 0, 0x20},   {u']', 0, 0x1D},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.character));
        const std::optional<GlyphRows> rows = characterRows(c.character);
        ASSERT_TRUE(rows.has_value());
        EXPECT_EQ(*rows, screenCodeRows(c.charSet, c.screenCode));
    }
    // Nothing the Commodore has no glyph for.
    for (char16_t c : {u'\r', u'\\', u'^', u'_', u'{', u'~', u'\u00E9', u'\uED80', u'\uF000'})
        EXPECT_FALSE(characterRows(c).has_value()) << static_cast<int>(c);
}

}  // namespace
}  // namespace qvx
