// The terminal form of the viewer text: reverse video runs, line breaks and raw output.
#include "cli/terminal_text.h"

#include <gtest/gtest.h>

#include <string>

namespace qvx::cli {
namespace {

struct TextCase {
    const char* what;
    std::u16string text;
    bool color;
    std::string expected;  // UTF-8
};

TEST(TerminalText, MapsGlyphsLineBreaksAndReverseRuns) {
    const TextCase cases[] = {
        {"empty", u"", true, ""},
        {"plain characters unchanged", u"12 BLOCKS FREE.", true, "12 BLOCKS FREE."},
        {"carriage returns become line feeds", u"\rA\r\r", false, "\nA\n\n"},
        {"letters of both sets", u"\uEE08\uEE09\uEF08\uEF09\uEF48", true, "HIhiH"},
        {"graphics beyond the BMP", u"\uEE66\uEE41", false, "\xF0\x9F\xAE\x95\xE2\x99\xA0"},
        {"reverse without color is plain", u"0 \uEEA2\uEE81\uEEA2\r", false, "0 \"A\"\n"},
        {"reverse run in SGR 7 and 27", u"0 \uEEA2\uEEA0\uEEA2\r", true,
         "0 \x1b[7m\" \"\x1b[27m\n"},
        {"runs split by a normal character", u"\uEE81\uEE02\uEF83", true,
         "\x1b[7mA\x1b[27mB\x1b[7mc\x1b[27m"},
        {"run closed at the end", u"x\uEE81", true, "x\x1b[7mA\x1b[27m"},
        {"surrogate pair kept", u"\U0001F600\r", true, "\xF0\x9F\x98\x80\n"},
    };
    for (const TextCase& c : cases) EXPECT_EQ(terminalText(c.text, c.color), c.expected) << c.what;
}

TEST(TerminalText, OnlyReverseCharactersAreInReverse) {
    // Every font code point once, normal and reverse, in both sets: one reverse run per set.
    std::u16string text;
    std::string expected;
    for (char16_t set : {u'\uEE00', u'\uEF00'}) {
        std::u16string normal, reverse;
        for (char16_t s = 0; s < 0x80; ++s) {
            normal += static_cast<char16_t>(set + s);
            reverse += static_cast<char16_t>(set + 0x80 + s);
        }
        text += normal + reverse;
        expected +=
            terminalText(normal, false) + "\x1b[7m" + terminalText(reverse, false) + "\x1b[27m";
    }
    EXPECT_EQ(terminalText(text, true), expected);
}

TEST(RawText, IsTheUtf8OfTheViewerText) {
    EXPECT_EQ(rawText(u""), "");
    EXPECT_EQ(rawText(u"\uEE00"), "\xEE\xB8\x80");
    EXPECT_EQ(rawText(u"\uEFFF"), "\xEE\xBF\xBF");
    EXPECT_EQ(rawText(u"\r0 \uEEA2\r"), "\r0 \xEE\xBA\xA2\r");
    EXPECT_EQ(rawText(u"BAM\r001: 1"), "BAM\r001: 1");
}

}  // namespace
}  // namespace qvx::cli
