// The readable mapping of the viewer text: glyph tables and line breaks.
#include "render/unicode_text.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <string>
#include <vector>

namespace qvx {
namespace {

constexpr int kUpper = 0;
constexpr int kLower = 1;

struct GlyphCase {
    int charSet;
    std::uint8_t screenCode;
    char32_t glyph;
    const char* what;
};

// Glyphs of the character ROM, one or more from every family of each set.
const GlyphCase kGlyphCases[] = {
    {kUpper, 0x00, U'@', "at sign"},
    {kUpper, 0x01, U'A', "first letter"},
    {kUpper, 0x1A, U'Z', "last letter"},
    {kUpper, 0x1C, U'\u00A3', "pound sign"},
    {kUpper, 0x1E, U'\u2191', "up arrow"},
    {kUpper, 0x1F, U'\u2190', "left arrow"},
    {kUpper, 0x20, U' ', "blank"},
    {kUpper, 0x22, U'"', "quote"},
    {kUpper, 0x27, U'\'', "apostrophe"},
    {kUpper, 0x30, U'0', "digit zero"},
    {kUpper, 0x3F, U'?', "question mark"},
    {kUpper, 0x40, U'\u2500', "horizontal line of the box drawings"},
    {kUpper, 0x41, U'\u2660', "spade"},
    {kUpper, 0x43, U'\U0001FB78', "horizontal line one row up"},
    {kUpper, 0x51, U'\u25CF', "ball"},
    {kUpper, 0x53, U'\u2665', "heart"},
    {kUpper, 0x55, U'\u256D', "rounded corner"},
    {kUpper, 0x56, U'\u2573', "diagonal cross"},
    {kUpper, 0x5B, U'\u253C', "cross"},
    {kUpper, 0x5E, U'\u03C0', "pi"},
    {kUpper, 0x5F, U'\u25E5', "upper right triangle"},
    {kUpper, 0x60, U' ', "shifted blank"},
    {kUpper, 0x61, U'\u258C', "left half"},
    {kUpper, 0x65, U'\u258F', "thinnest left bar"},
    {kUpper, 0x66, U'\U0001FB95', "checkerboard"},
    {kUpper, 0x69, U'\u25E4', "upper left triangle"},
    {kUpper, 0x6B, U'\u251C', "tee"},
    {kUpper, 0x7A, U'\U0001FB7F', "lower right corner bar"},
    {kUpper, 0x7F, U'\u259A', "diagonal quadrants"},
    {kLower, 0x00, U'@', "at sign"},
    {kLower, 0x01, U'a', "first small letter"},
    {kLower, 0x1A, U'z', "last small letter"},
    {kLower, 0x1C, U'\u00A3', "pound sign"},
    {kLower, 0x40, U'\u2500', "horizontal line"},
    {kLower, 0x41, U'A', "first capital"},
    {kLower, 0x5A, U'Z', "last capital"},
    {kLower, 0x5B, U'\u253C', "cross"},
    {kLower, 0x5E, U'\U0001FB96', "checkerboard instead of pi"},
    {kLower, 0x5F, U'\U0001FB98', "diagonal fill instead of the triangle"},
    {kLower, 0x66, U'\U0001FB95', "checkerboard"},
    {kLower, 0x69, U'\U0001FB99', "diagonal fill instead of the triangle"},
    {kLower, 0x7A, U'\u2713', "check mark"},
};

TEST(ScreenCodeGlyph, MatchesTheCharacterRom) {
    for (const GlyphCase& c : kGlyphCases) {
        EXPECT_EQ(screenCodeGlyph(c.charSet, c.screenCode), c.glyph)
            << c.what << ", set " << c.charSet << ", screen code " << int(c.screenCode);
    }
}

TEST(ScreenCodeGlyph, LettersDigitsAndPunctuationAreAscii) {
    for (int s = 1; s <= 26; ++s) {
        auto code = static_cast<std::uint8_t>(s);
        EXPECT_EQ(screenCodeGlyph(kUpper, code), U'A' + s - 1);
        EXPECT_EQ(screenCodeGlyph(kLower, code), U'a' + s - 1);
        EXPECT_EQ(screenCodeGlyph(kLower, static_cast<std::uint8_t>(0x40 + s)), U'A' + s - 1);
    }
    for (int s = 0x20; s < 0x40; ++s) {
        for (int set : {kUpper, kLower})
            EXPECT_EQ(screenCodeGlyph(set, static_cast<std::uint8_t>(s)), char32_t(s)) << s;
    }
}

// Every glyph of a set is a different character, except the two blanks.
TEST(ScreenCodeGlyph, EachSetHasOneCharacterPerGlyph) {
    for (int set : {kUpper, kLower}) {
        std::set<char32_t> seen;
        for (int s = 0; s < 0x80; ++s) {
            if (s == 0x60) continue;
            char32_t g = screenCodeGlyph(set, static_cast<std::uint8_t>(s));
            EXPECT_TRUE(seen.insert(g).second) << "set " << set << " screen code " << s;
        }
        EXPECT_EQ(screenCodeGlyph(set, 0x60), U' ');
    }
}

TEST(ScreenCodeGlyph, NoControlOrPrivateUseCharacters) {
    for (int set : {kUpper, kLower}) {
        for (int s = 0; s < 0x80; ++s) {
            char32_t g = screenCodeGlyph(set, static_cast<std::uint8_t>(s));
            EXPECT_GE(g, U' ') << s;
            EXPECT_FALSE(g >= 0x7F && g < 0xA0) << s;
            EXPECT_FALSE(g >= 0xE000 && g < 0xF900) << s;
            EXPECT_FALSE(g >= 0xD800 && g < 0xE000) << s;
        }
    }
}

// The second set differs from the first only in its letters and five graphics.
TEST(ScreenCodeGlyph, SetsShareTheirOtherGraphics) {
    const std::set<int> differing = {0x5E, 0x5F, 0x69, 0x7A};
    for (int s = 0x1B; s < 0x80; ++s) {
        if (s >= 0x41 && s <= 0x5A) continue;
        auto code = static_cast<std::uint8_t>(s);
        if (differing.count(s) != 0) {
            EXPECT_NE(screenCodeGlyph(kUpper, code), screenCodeGlyph(kLower, code)) << s;
        } else {
            EXPECT_EQ(screenCodeGlyph(kUpper, code), screenCodeGlyph(kLower, code)) << s;
        }
    }
}

TEST(UnicodeGlyph, FontCodePointsUseTheirOwnSetAndDropReverse) {
    for (int s = 0; s < 0x100; ++s) {
        auto code = static_cast<std::uint8_t>(s);
        EXPECT_EQ(unicodeGlyph(static_cast<char16_t>(0xEE00 + s)), screenCodeGlyph(kUpper, code));
        EXPECT_EQ(unicodeGlyph(static_cast<char16_t>(0xEF00 + s)), screenCodeGlyph(kLower, code));
        EXPECT_EQ(isReverseVideo(static_cast<char16_t>(0xEE00 + s)), s >= 0x80);
        EXPECT_EQ(isReverseVideo(static_cast<char16_t>(0xEF00 + s)), s >= 0x80);
    }
}

TEST(UnicodeGlyph, OtherCharactersPassThrough) {
    for (char16_t c : {u'A', u'"', u'\r', u'\u00E9', u'\uEDFF', u'\uF000', u'\u2500'}) {
        EXPECT_FALSE(isFontCodePoint(c)) << int(c);
        EXPECT_FALSE(isReverseVideo(c)) << int(c);
        EXPECT_EQ(unicodeGlyph(c), char32_t(c));
    }
    EXPECT_TRUE(isFontCodePoint(u'\uEE00'));
    EXPECT_TRUE(isFontCodePoint(u'\uEFFF'));
}

TEST(ReadableText, GlyphsWithoutReverseAndTheLineBreakAsked) {
    const struct {
        const char* what;
        std::u16string text;
        std::u16string lineBreak;
        std::u16string expected;
    } cases[] = {
        {"empty", u"", u"\r\n", u""},
        {"plain characters unchanged", u"12 BLOCKS FREE.", u"\n", u"12 BLOCKS FREE."},
        {"carriage returns as CR LF", u"\rA\r\r", u"\r\n", u"\r\nA\r\n\r\n"},
        {"carriage returns as LF", u"A\rB", u"\n", u"A\nB"},
        {"reverse video dropped", u"0 \uEEA2\uEE81\uEEA2\r", u"\n", u"0 \"A\"\n"},
        {"letters of both sets", u"\uEE08\uEF08\uEF48", u"\n", u"HhH"},
        {"graphics beyond the BMP as surrogate pairs", u"\uEE66", u"\n", u"\U0001FB95"},
        {"other characters kept", u"\u00E9\U0001F600", u"\n", u"\u00E9\U0001F600"},
    };
    for (const auto& c : cases) EXPECT_EQ(readableText(c.text, c.lineBreak), c.expected) << c.what;
}

}  // namespace
}  // namespace qvx
