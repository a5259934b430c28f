// Number forms and encodings used by the trace lines and the texts.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

#include "base/text.h"

namespace qvx {
namespace {

TEST(Decimal, SignedWithoutPadding) {
    struct Case {
        std::int64_t value;
        const char16_t* text;
    };
    const Case cases[] = {
        {0, u"0"},
        {7, u"7"},
        {10, u"10"},
        {41, u"41"},
        {-1, u"-1"},
        {-42, u"-42"},
        {1234567890, u"1234567890"},
        {std::numeric_limits<std::int64_t>::max(), u"9223372036854775807"},
        {std::numeric_limits<std::int64_t>::min(), u"-9223372036854775808"},
    };
    for (const Case& c : cases) EXPECT_EQ(decimal(c.value), c.text) << c.value;
}

TEST(Hex, UpperCaseSignExtendedWithoutLeadingZeros) {
    struct Case {
        std::int32_t value;
        const char16_t* text;
    };
    const Case cases[] = {
        {0, u"0"},
        {9, u"9"},
        {10, u"A"},
        {0x10, u"10"},
        {0x16500, u"16500"},
        {0xABCDEF, u"ABCDEF"},
        {0x7FFFFFFF, u"7FFFFFFF"},
        {-1, u"FFFFFFFFFFFFFFFF"},
        {std::numeric_limits<std::int32_t>::min(), u"FFFFFFFF80000000"},
    };
    for (const Case& c : cases) EXPECT_EQ(hex(c.value), c.text) << c.value;
}

TEST(Widen, OneCodeUnitPerByteWithTheBytesValue) {
    std::string bytes;
    for (int b = 0; b < 256; ++b) bytes += static_cast<char>(b);
    std::u16string wide = widen(bytes);
    ASSERT_EQ(wide.size(), 256u);
    for (int b = 0; b < 256; ++b) EXPECT_EQ(wide[b], static_cast<char16_t>(b));
    EXPECT_EQ(widen(""), u"");
}

TEST(Utf8, KnownEncodings) {
    struct Case {
        const char* utf8;
        const char16_t* utf16;
    };
    const Case cases[] = {
        {"", u""},
        {"QVX: disk", u"QVX: disk"},
        {"\xC3\x84", u"\u00C4"},
        {"\xE2\x82\xAC", u"\u20AC"},
        {"\xEE\xBC\x81", u"\uEF01"},
        {"\xEF\xBF\xBF", u"\uFFFF"},
        {"\xF0\x90\x80\x80", u"\U00010000"},
        {"\xF0\x9F\x98\x80", u"\U0001F600"},
        {"\xF4\x8F\xBF\xBF", u"\U0010FFFF"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.utf8);
        EXPECT_EQ(fromUtf8(c.utf8), c.utf16);
        EXPECT_EQ(toUtf8(c.utf16), c.utf8);
    }
    EXPECT_EQ(fromUtf8(std::string_view("a\0b", 3)), std::u16string(u"a\0b", 3));
    EXPECT_EQ(toUtf8(std::u16string_view(u"a\0b", 3)), std::string("a\0b", 3));
}

// Every scalar value survives the way there and back, in as many bytes as UTF-8 gives it.
TEST(Utf8, EveryCodePointRoundTrips) {
    for (std::uint32_t cp = 0; cp <= 0x10FFFF; ++cp) {
        if (cp >= 0xD800 && cp <= 0xDFFF) continue;
        std::u16string one;
        if (cp < 0x10000) {
            one = std::u16string(1, static_cast<char16_t>(cp));
        } else {
            one += static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
            one += static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
        }
        std::string utf8 = toUtf8(one);
        std::size_t length = cp < 0x80 ? 1 : cp < 0x800 ? 2 : cp < 0x10000 ? 3 : 4;
        ASSERT_EQ(utf8.size(), length) << std::hex << cp;
        ASSERT_EQ(fromUtf8(utf8), one) << std::hex << cp;
    }
}

TEST(Utf8, UnpairedSurrogatesBecomeReplacementCharacters) {
    struct Case {
        std::u16string utf16;
        const char* utf8;
    };
    const Case cases[] = {
        {u"\xD800", "\xEF\xBF\xBD"},
        {u"\xDC00", "\xEF\xBF\xBD"},
        {u"a\xD83D", "a\xEF\xBF\xBD"},
        {u"\xD83D"
         u"b",
         "\xEF\xBF\xBD"
         "b"},
        {u"\xDE00\xD83D", "\xEF\xBF\xBD\xEF\xBF\xBD"},
        {u"\xD83D\xD83D\xDE00", "\xEF\xBF\xBD\xF0\x9F\x98\x80"},
    };
    for (const Case& c : cases) EXPECT_EQ(toUtf8(c.utf16), c.utf8);
}

TEST(Utf8, InvalidSequencesBecomeReplacementCharacters) {
    struct Case {
        const char* what;
        std::string utf8;
        std::u16string utf16;
    };
    const Case cases[] = {
        {"lone continuation byte", "a\x80z", u"a\uFFFDz"},
        {"truncated at the end", "a\xE2\x82", u"a\uFFFD"},
        {"truncated before ASCII", "\xE2\x82z", u"\uFFFDz"},
        {"lead byte without continuation", "\xC3z", u"\uFFFDz"},
        {"four-byte lead cut short", "\xF0\x9F\x98", u"\uFFFD"},
        {"byte never used", "\xFF", u"\uFFFD"},
        {"lead above U+10FFFF", "\xF5\x80\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},
    };
    for (const Case& c : cases) EXPECT_EQ(fromUtf8(c.utf8), c.utf16) << c.what;
}

// How many replacement characters these give is a matter of convention; what counts is that
// nothing but replacements comes out between the good characters, and no lone surrogate.
TEST(Utf8, OverlongAndSurrogateEncodingsAreNotDecoded) {
    const std::string bad[] = {
        "\xC0\xAF",          // overlong "/"
        "\xC1\xBF",          // overlong
        "\xE0\x80\xAF",      // overlong "/"
        "\xF0\x80\x80\xAF",  // overlong "/"
        "\xED\xA0\x80",      // U+D800
        "\xED\xBF\xBF",      // U+DFFF
        "\xF4\x90\x80\x80",  // U+110000
    };
    for (const std::string& b : bad) {
        SCOPED_TRACE(b);
        std::u16string out = fromUtf8("<" + b + ">");
        ASSERT_GE(out.size(), 3u);
        EXPECT_EQ(out.front(), u'<');
        EXPECT_EQ(out.back(), u'>');
        for (std::size_t i = 1; i + 1 < out.size(); ++i) EXPECT_EQ(out[i], u'\uFFFD');
    }
}

// A path's bytes through UTF-16 and back, whatever they are: the bytes that are not UTF-8 as
// lone surrogates, shown as \xNN in text.
TEST(SystemPath, EveryByteComesBack) {
    struct Case {
        const char* what;
        std::string bytes;
        std::u16string path;
        std::string readable;
    };
    const Case cases[] = {
        {"UTF-8", "/disks/caf\xC3\xA9.d64", u"/disks/caf\u00E9.d64", "/disks/caf\xC3\xA9.d64"},
        {"Latin-1", "caf\xE9.d64", u"caf\xDCE9.d64", "caf\\xE9.d64"},
        {"a cut sequence, then ASCII", "\xE2\x82z", u"\xDCE2\xDC82z", "\\xE2\\x82z"},
        {"a cut sequence, then a whole one", "\xC3\xC3\xA9", u"\xDCC3\u00E9", "\\xC3\xC3\xA9"},
        {"an encoded surrogate", "\xED\xA0\x80", u"\xDCED\xDCA0\xDC80", "\\xED\\xA0\\x80"},
        {"four bytes", "\xF0\x9F\x98\x80\xFF", u"\U0001F600\xDCFF", "\xF0\x9F\x98\x80\\xFF"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(pathFromSystem(c.bytes), c.path);
        EXPECT_EQ(systemPath(c.path), c.bytes);
        EXPECT_EQ(readablePath(c.path), c.readable);
        EXPECT_EQ(hasRawBytes(c.path), c.bytes != toUtf8(fromUtf8(c.bytes)));
    }
    // Every pair of bytes, so every lead and continuation byte in every place.
    for (unsigned a = 0; a < 256; ++a)
        for (unsigned b = 1; b < 256; ++b) {
            const std::string bytes{'x', static_cast<char>(a), static_cast<char>(b), 'y'};
            ASSERT_EQ(systemPath(pathFromSystem(bytes)), bytes) << a << " " << b;
        }
    // A lone surrogate that no byte gives is no byte either.
    EXPECT_EQ(systemPath(u"\xD800"
                         u"A\xDC41"),
              "\xEF\xBF\xBD"
              "A\xEF\xBF\xBD");
    EXPECT_EQ(readablePath(u"\xDC41"), "\xEF\xBF\xBD");
}

}  // namespace
}  // namespace qvx
