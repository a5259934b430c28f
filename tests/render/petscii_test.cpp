// Conversion of Commodore character codes to the display font's code points.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "render/petscii.h"

namespace qvx {
namespace {

char16_t convertOne(char16_t code, int reverse = 0, int charSet = 0) {
    const std::u16string out = petsciiToFont(std::u16string(1, code), reverse, charSet);
    EXPECT_EQ(out.size(), 1u);
    return out.empty() ? char16_t{0} : out[0];
}

struct RangeEdge {
    std::uint8_t code;
    std::uint8_t screen;
};

TEST(Petscii, RangeBoundariesGiveTheirScreenCodes) {
    const RangeEdge edges[] = {
        {0x00, 0x00}, {0x1F, 0x00}, {0x20, 0x20}, {0x3F, 0x3F}, {0x40, 0x00},
        {0x5F, 0x1F}, {0x60, 0x40}, {0x7F, 0x5F}, {0x80, 0x00}, {0x9F, 0x00},
        {0xA0, 0x60}, {0xBF, 0x7F}, {0xC0, 0x40}, {0xFE, 0x7E}, {0xFF, 0x5E},
    };
    for (const RangeEdge& e : edges) {
        SCOPED_TRACE(e.code);
        EXPECT_EQ(convertOne(e.code), kFontBaseFirstSet + e.screen);
        EXPECT_EQ(convertOne(e.code, 1), kFontBaseFirstSet + kReverseOffset + e.screen);
        EXPECT_EQ(convertOne(e.code, 0, 1), kFontBaseSecondSet + e.screen);
    }
}

TEST(Petscii, NamedCharacters) {
    EXPECT_EQ(convertOne(u'A'), 0xEE01);
    EXPECT_EQ(convertOne(u'A', 1), 0xEE81);
    EXPECT_EQ(convertOne(u'A', 0, 1), 0xEF01);
    EXPECT_EQ(convertOne(u' ', 1), 0xEEA0);
    EXPECT_EQ(convertOne(u'"', 1), 0xEEA2);
    EXPECT_EQ(convertOne(0xA0), 0xEE60);
    EXPECT_EQ(convertOne(0xFF), 0xEE5E);
    EXPECT_EQ(convertOne(0xC1), 0xEE41);
    EXPECT_EQ(convertOne(0x8D), 0xEE00);
    EXPECT_EQ(convertOne(u'\r'), 0xEE00);
}

TEST(Petscii, LettersShiftDownAndPunctuationStays) {
    for (char16_t c = u'A'; c <= u'Z'; ++c) EXPECT_EQ(convertOne(c), 0xEE01 + (c - u'A')) << c;
    for (char16_t c = 0x20; c <= 0x3F; ++c) EXPECT_EQ(convertOne(c), 0xEE00 + c) << c;
}

TEST(Petscii, OnlyReverseOneGivesReverseVideo) {
    const int reverses[] = {0, 1, 2, -1, 0x80};
    for (int reverse : reverses) {
        const char16_t offset = reverse == 1 ? kReverseOffset : 0;
        EXPECT_EQ(convertOne(u'A', reverse), 0xEE01 + offset) << reverse;
    }
}

TEST(Petscii, OnlyCharSetZeroSelectsTheFirstSet) {
    const int charSets[] = {0, 1, -1, 2};
    for (int charSet : charSets) {
        const char16_t base = charSet == 0 ? kFontBaseFirstSet : kFontBaseSecondSet;
        EXPECT_EQ(convertOne(u'A', 0, charSet), base + 1) << charSet;
        EXPECT_EQ(convertOne(u'A', 1, charSet), base + 0x81) << charSet;
    }
}

TEST(Petscii, OnlyTheLowByteOfACodeCounts) {
    EXPECT_EQ(convertOne(0x0141), convertOne(0x41));
    EXPECT_EQ(convertOne(0x0141, 1, 1), convertOne(0x41, 1, 1));
    EXPECT_EQ(convertOne(0xFFA0), convertOne(0xA0));
    EXPECT_EQ(convertOne(0x1200), convertOne(0x00));
}

TEST(Petscii, EmptyInputGivesEmptyOutput) {
    EXPECT_TRUE(petsciiToFont(u"", 0, 0).empty());
    EXPECT_TRUE(petsciiToFont(u"", 1, 1).empty());
}

TEST(Petscii, EveryCodeLandsInThePrivateUseBlockOfItsSet) {
    std::u16string all;
    for (unsigned b = 0; b < 256; ++b) all += static_cast<char16_t>(b);
    for (int charSet : {0, 1}) {
        for (int reverse : {0, 1}) {
            SCOPED_TRACE(testing::Message() << "charSet " << charSet << " reverse " << reverse);
            const std::u16string out = petsciiToFont(all, reverse, charSet);
            ASSERT_EQ(out.size(), all.size());
            const unsigned base = charSet == 0 ? kFontBaseFirstSet : kFontBaseSecondSet;
            const unsigned low = base + (reverse == 1 ? kReverseOffset : 0);
            for (std::size_t i = 0; i < out.size(); ++i) {
                EXPECT_GE(out[i], low) << i;
                EXPECT_LT(out[i], low + 0x80) << i;
                EXPECT_GE(out[i], 0xEE00) << i;
                EXPECT_LE(out[i], 0xEFFF) << i;
            }
        }
    }
}

TEST(Petscii, CharactersKeepTheirOrder) {
    EXPECT_EQ(petsciiToFont(u"AB2", 0, 0), (std::u16string{0xEE01, 0xEE02, 0xEE32}));
    const std::u16string input = u"HELLO";
    EXPECT_EQ(petsciiToFont(input, 0, 0), (std::u16string{0xEE08, 0xEE05, 0xEE0C, 0xEE0C, 0xEE0F}));
    EXPECT_EQ(input, u"HELLO");
}

}  // namespace
}  // namespace qvx
