// The listing text: columns, literals and conversions of every line.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/text.h"
#include "disk/format.h"
#include "disk/image.h"
#include "render/listing.h"
#include "render/petscii.h"
#include "support/dir_records.h"
#include "support/trace_capture.h"

namespace qvx {
namespace {

using test::bytes;
using test::file;
using test::header;
using test::image;
using test::kPad;

std::vector<std::u16string> splitLines(const std::u16string& text) {
    std::vector<std::u16string> lines(1);
    for (char16_t c : text) {
        if (c == u'\r')
            lines.emplace_back();
        else
            lines.back() += c;
    }
    return lines;
}

// Line 0 is the empty first line, line 1 the header, entries follow.
std::u16string line(const DiskImage& img, std::size_t index, int charSet = 0) {
    const std::vector<std::u16string> lines = splitLines(setupString(img, charSet));
    EXPECT_LT(index, lines.size());
    return index < lines.size() ? lines[index] : std::u16string();
}

std::u16string font(std::u16string_view text, int reverse = 0, int charSet = 0) {
    return petsciiToFont(std::u16string(text), reverse, charSet);
}

TEST(Listing, HeaderLineExample) {
    const DiskImage img = image({header("TEST")});
    std::u16string expected = u"0 ";
    expected += std::u16string{0xEEA2, 0xEE94, 0xEE85, 0xEE93, 0xEE94};
    expected.append(12, char16_t{0xEEE0});
    expected += std::u16string{0xEEA2, 0xEEA0, 0xEE81, 0xEE82, 0xEEA0, 0xEEB2, 0xEE81};
    EXPECT_EQ(line(img, 1), expected);
    EXPECT_EQ(setupString(img, 0).substr(0, expected.size() + 2), u"\r" + expected + u"\r");
}

TEST(Listing, EntryLineExample) {
    const DiskImage img = image({header("TEST"), file("HELLO", 1)});
    std::u16string expected = u"1    \"";
    expected += std::u16string{0xEE08, 0xEE05, 0xEE0C, 0xEE0C, 0xEE0F};
    expected.append(11, char16_t{0xEE60});
    expected += u"\" ";
    expected += std::u16string{0xEE10, 0xEE12, 0xEE07};
    EXPECT_EQ(line(img, 2), expected);
}

TEST(Listing, OnlyTheHeaderFromItsFirstQuoteIsReversed) {
    const std::u16string head = line(image({header("DISK", "ID", "2A"), file("X", 3)}), 1);
    ASSERT_EQ(head.size(), 26u);
    EXPECT_EQ(head.substr(0, 2), u"0 ");
    for (std::size_t col = 2; col < head.size(); ++col) {
        EXPECT_GE(head[col], 0xEE80) << col;
        EXPECT_LE(head[col], 0xEEFF) << col;
    }
    EXPECT_EQ(head[2], 0xEEA2);
    EXPECT_EQ(head[19], 0xEEA2);
    EXPECT_EQ(head.substr(21, 2), font(u"ID", 1));
    EXPECT_EQ(head.substr(24, 2), font(u"2A", 1));
}

TEST(Listing, HeaderColumnsStayForAShortenedName) {
    DirEntry h = header("");
    h.name = bytes<16>("AB", 0);
    const std::u16string head = line(image({h}), 1);
    ASSERT_EQ(head.size(), 26u);
    EXPECT_EQ(head.substr(2, 4), font(u"\"AB\"", 1));
    EXPECT_EQ(head.substr(6, 15), std::u16string(15, char16_t{0xEEA0}));
    EXPECT_EQ(head.substr(21, 2), font(u"AB", 1));
    EXPECT_EQ(head.substr(24, 2), font(u"2A", 1));
}

TEST(Listing, ZeroByteShortensTheIdAndMovesTheDosType) {
    const std::u16string head = line(image({header("TEST", std::string_view("A\0", 2))}), 1);
    ASSERT_EQ(head.size(), 25u);
    EXPECT_EQ(head[21], font(u"A", 1)[0]);
    EXPECT_EQ(head[22], 0xEEA0);
    EXPECT_EQ(head.substr(23, 2), font(u"2A", 1));
}

struct BlocksCase {
    std::uint16_t blocks;
    std::u16string_view field;
};

TEST(Listing, BlocksAreSignedAndFillFiveColumns) {
    const BlocksCase cases[] = {
        {0, u"0    "},     {1, u"1    "},     {9999, u"9999 "},  {12345, u"12345"},
        {32767, u"32767"}, {32768, u"-3276"}, {65534, u"-2   "}, {65535, u"-1   "},
    };
    for (const BlocksCase& c : cases) {
        const std::u16string entry = line(image({header("D"), file("F", c.blocks)}), 2);
        ASSERT_GE(entry.size(), 6u) << c.blocks;
        EXPECT_EQ(entry.substr(0, 5), c.field) << c.blocks;
        EXPECT_EQ(entry[5], u'"') << c.blocks;
        EXPECT_EQ(entry.size(), 27u) << c.blocks;
    }
}

struct FlagCase {
    std::uint8_t closed;
    std::uint8_t locked;
    char16_t splat;
    std::u16string_view tail;
};

TEST(Listing, ClosedAndLockedFlagsMarkTheirColumns) {
    const FlagCase cases[] = {
        {1, 0, u' ', u""},  {0, 0, u'*', u""},  {1, 1, u' ', u"<"},
        {0, 1, u'*', u"<"}, {2, 7, u' ', u"<"},
    };
    for (const FlagCase& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "closed " << int{c.closed} << " locked " << int{c.locked});
        const std::u16string entry =
            line(image({header("D"), file("GAME", 12, "PRG", c.closed, c.locked)}), 2);
        ASSERT_EQ(entry.size(), 27u + c.tail.size());
        EXPECT_EQ(entry[22], u'"');
        EXPECT_EQ(entry[23], c.splat);
        EXPECT_EQ(entry.substr(24, 3), font(u"PRG"));
        EXPECT_EQ(entry.substr(27), c.tail);
    }
}

TEST(Listing, FullSixteenCharacterName) {
    const std::u16string name = u"ABCDEFGHIJKLMNOP";
    const std::u16string entry = line(image({header("D"), file("ABCDEFGHIJKLMNOP", 5, "SEQ")}), 2);
    ASSERT_EQ(entry.size(), 27u);
    EXPECT_EQ(entry[5], u'"');
    EXPECT_EQ(entry.substr(6, 16), font(name));
    EXPECT_EQ(entry[22], u'"');
    EXPECT_EQ(entry[23], u' ');
    EXPECT_EQ(entry.substr(24, 3), font(u"SEQ"));
}

TEST(Listing, PaddedNameShowsAllSixteenBytes) {
    DirEntry f = file("", 2);
    f.name.fill(kPad);
    const std::u16string entry = line(image({header("D"), f}), 2);
    ASSERT_EQ(entry.size(), 27u);
    EXPECT_EQ(entry.substr(6, 16), std::u16string(16, char16_t{0xEE60}));
}

TEST(Listing, ZeroByteShortensANameButNotTheColumns) {
    DirEntry f = file("", 7, "USR", 0, 1);
    f.name = bytes<16>("AB", 0);
    f.name[5] = 'Z';  // after the zero byte, so never shown
    const std::u16string entry = line(image({header("D"), f}), 2);
    ASSERT_EQ(entry.size(), 28u);
    EXPECT_EQ(entry.substr(0, 6), u"7    \"");
    EXPECT_EQ(entry.substr(6, 2), font(u"AB"));
    EXPECT_EQ(entry[8], u'"');
    EXPECT_EQ(entry.substr(9, 14), std::u16string(14, u' '));
    EXPECT_EQ(entry[23], u'*');
    EXPECT_EQ(entry.substr(24, 3), font(u"USR"));
    EXPECT_EQ(entry[27], u'<');
}

TEST(Listing, EmptyFileTypeEndsTheEntryLines) {
    DiskImage img = image({header("D"), file("ONE", 1), file("STOP", 2, ""), file("TWO", 3)});
    img.blocksFree = 660;
    const std::vector<std::u16string> lines = splitLines(setupString(img, 0));
    ASSERT_EQ(lines.size(), 8u);
    EXPECT_EQ(lines[2].substr(0, 5), u"1    ");
    EXPECT_EQ(lines[3], u"660 BLOCKS FREE.");
    EXPECT_EQ(lines[4], u"");
}

TEST(Listing, BlocksFreeLineIsSigned) {
    const std::int16_t values[] = {0, 664, -2, 32767, -32768};
    for (std::int16_t value : values) {
        DiskImage img = image({header("D")});
        img.blocksFree = value;
        EXPECT_EQ(line(img, 2), decimal(value) + u" BLOCKS FREE.") << value;
    }
    DiskImage img = image({header("D")});
    img.blocksFree = -2;
    EXPECT_EQ(line(img, 2), u"-2 BLOCKS FREE.");
}

struct TypeCase {
    DiskType type;
    DiskSubType subType;
    std::u16string_view shown;
};

TEST(Listing, DiskTypeLineNamesTypeAndDosVariant) {
    const TypeCase cases[] = {
        {kTypeD64, kSubTypeNone, u"D64 35-TRACK "},
        {kTypeD64, kSubTypeSpeed, u"D64 35-TRACK "},
        {kTypeD64x40, kSubTypeNone, u"D64 40-TRACK (UNKNOWN)"},
        {kTypeD64x40, kSubTypeDolphin, u"D64 40-TRACK (DOLPHIN)"},
        {kTypeD64x40, kSubTypeSpeed, u"D64 40-TRACK (SPEED)"},
        {kTypeD71, kSubTypeNone, u"D71 "},
        {kTypeD80, kSubTypeNone, u"D80 "},
        {kTypeD81, kSubTypeNone, u"D81 "},
        {kTypeD82, kSubTypeDolphin, u"D82 "},
        {kTypeUnknown, kSubTypeNone, u"UNKNOWN "},
    };
    for (const TypeCase& c : cases) {
        DiskImage img = image({header("D")}, c.type);
        img.subType = c.subType;
        const std::vector<std::u16string> lines = splitLines(setupString(img, 0));
        ASSERT_EQ(lines.size(), 7u);
        EXPECT_EQ(lines[4], font(u"DISK TYPE: " + std::u16string(c.shown)))
            << int{c.type} << " " << int{c.subType};
    }
}

TEST(Listing, ErrorInfoSaysYesOnlyForOne) {
    const std::uint8_t values[] = {0, 1, 2, 255};
    for (std::uint8_t value : values) {
        DiskImage img = image({header("D")});
        img.hasErrorBytes = value;
        EXPECT_EQ(line(img, 5), font(value == 1 ? u"ERROR INFO: YES" : u"ERROR INFO: NO"))
            << int{value};
    }
}

TEST(Listing, EmptyListGivesEmptyTextAndATraceLine) {
    for (DiskType type : {kTypeD64, kTypeUnknown}) {
        test::TraceCapture trace;
        EXPECT_TRUE(setupString(image({}, type), 0).empty());
        ASSERT_EQ(trace.lines.size(), 1u);
        EXPECT_EQ(trace.lines[0], u"setupString - empty list");
    }
}

TEST(Listing, HeaderOnlyDirectoryWholeText) {
    DiskImage img = image({header("TEST")});
    img.blocksFree = 664;
    std::u16string expected = u"\r0 ";
    expected += font(u"\"TEST\xA0\xA0\xA0\xA0\xA0\xA0\xA0\xA0\xA0\xA0\xA0\xA0\" AB 2A", 1);
    expected += u"\r664 BLOCKS FREE.\r\r";
    expected += font(u"DISK TYPE: D64 35-TRACK ");
    expected += u'\r';
    expected += font(u"ERROR INFO: NO");
    expected += u'\r';
    EXPECT_EQ(setupString(img, 0), expected);
}

TEST(Listing, SecondCharacterSetMovesOnlyConvertedCharacters) {
    DiskImage img =
        image({header("DISK"), file("ONE", 1, "PRG", 0, 1), file("TWO", 300, "REL")}, kTypeD64x40);
    img.hasErrorBytes = 1;
    img.blocksFree = 10;
    const std::u16string first = setupString(img, 0);
    const std::u16string second = setupString(img, 1);
    ASSERT_EQ(first.size(), second.size());
    std::size_t converted = 0;
    for (std::size_t i = 0; i < first.size(); ++i) {
        if (first[i] >= 0xEE00 && first[i] <= 0xEEFF) {
            EXPECT_EQ(second[i], first[i] + 0x100) << i;
            ++converted;
        } else {
            EXPECT_LT(first[i], 0x80) << i;
            EXPECT_EQ(second[i], first[i]) << i;
        }
    }
    EXPECT_GT(converted, 0u);
    EXPECT_EQ(setupString(img, -1), second);
}

TEST(Listing, TextAlwaysEndsWithCarriageReturn) {
    const std::vector<DiskImage> images = {
        image({header("A")}),
        image({header("A"), file("B", 1)}, kTypeD81),
        image({header("A"), file("B", 1, "")}, kTypeUnknown),
    };
    for (const DiskImage& img : images) {
        for (int charSet : {0, 1}) {
            const std::u16string text = setupString(img, charSet);
            ASSERT_FALSE(text.empty());
            EXPECT_EQ(text.front(), u'\r');
            EXPECT_EQ(text.back(), u'\r');
        }
    }
}

}  // namespace
}  // namespace qvx
