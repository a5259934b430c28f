// Finding typed text in a view: what matches what the user reads, where a search starts and goes.
#include "render/find.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "base/text.h"
#include "render/listing.h"
#include "support/dir_records.h"
#include "support/trace_capture.h"

namespace qvx {
namespace {

struct Place {
    std::size_t line;  // from 1
    std::size_t column;
};

// Lines: 1 empty, 2 the header, 3 to 7 the files, 8 the free blocks, 10 and 11 type and errors.
// A name starts in column 7, its type in column 25. "\xD3" draws a heart in the first set and an
// S in the second, "\xC2" a bar beyond the BMP in the first and a B in the second.
std::u16string listing(int charSet) {
    const DiskImage img =
        test::image({test::header("FIND ME"), test::file("HELLO", 1),
                     test::file("DATA FILE", 12, "SEQ"), test::file("NOTES", 3),
                     test::file("\xD3SPLAT\xC2", 7, "USR"), test::file("HELLO WORLD", 40)});
    return setupString(img, charSet);
}

const std::u16string kMap = u"BAM\r     SEC\rTR   0123\r001: 1110\r002: 0111\r";

std::u16string textOf(int which) {
    return which < 2 ? listing(which) : kMap;
}

std::size_t position(const std::u16string& text, Place place) {
    std::size_t at = 0;
    for (std::size_t line = 1; line < place.line; ++line) at = text.find(u'\r', at) + 1;
    return at + place.column - 1;
}

struct FindCase {
    int text;  // 0 listing, 1 listing in the second set, 2 a map
    std::u16string typed;
    std::int32_t flags;
    Place origin;
    std::optional<Place> found;
    const char* what;
};

const Place kTop{1, 1};

const FindCase kFindCases[] = {
    {0, u"HELLO", 0, kTop, Place{3, 7}, "a name from the top"},
    {0, u"hello", 0, kTop, Place{3, 7}, "either case in the first set"},
    {0, u"hello", kFindMatchCase, kTop, Place{3, 7}, "match case where one case exists"},
    {1, u"hello", kFindMatchCase, kTop, Place{3, 7}, "the second set shows small letters"},
    {1, u"HELLO", kFindMatchCase, kTop, std::nullopt, "and no capitals there"},
    {1, u"HeLLo", 0, kTop, Place{3, 7}, "either case without match case"},
    {1, u"BLOCKS", kFindMatchCase, kTop, Place{8, 3}, "the free blocks in plain capitals"},
    {0, u"HELLO", 0, Place{3, 12}, Place{7, 7}, "on past the first one"},
    {0, u"HELLO", 0, Place{3, 8}, Place{7, 7}, "not inside the one begun"},
    {0, u"HELLO", 0, Place{7, 12}, std::nullopt, "nothing after the last one"},
    {0, u"HELLO", kFindBackwards, Place{7, 7}, Place{3, 7}, "back before the last one"},
    {0, u"HELLO", kFindBackwards, Place{3, 11}, std::nullopt, "not ending past the origin"},
    {0, u"PRG", kFindBackwards, Place{8, 1}, Place{7, 25}, "backwards from a line's start"},
    {0, u"DATA", kFindWholeWords, kTop, Place{4, 7}, "a whole word"},
    {0, u"DAT", kFindWholeWords, kTop, std::nullopt, "part of a word"},
    {0, u"ATA FI", kFindWholeWords, kTop, std::nullopt, "words cut on both sides"},
    {0, u"ATA FI", 0, kTop, Place{4, 8}, "the same without whole words"},
    {0, u"\"NOTES", kFindWholeWords, kTop, Place{5, 6}, "a quote starts no word"},
    {0, u"FIND ME", 0, kTop, Place{2, 4}, "the disk name in reverse video"},
    {0, u"HELLO ", 0, kTop, Place{3, 7}, "a space for the padding's blank"},
    {0, u"E: D64", 0, kTop, Place{10, 9}, "the type line"},
    {0, u"\u2665SPLAT\U0001FB72", 0, kTop, Place{6, 7}, "graphics, one beyond the BMP"},
    {0, u"SPLAT", kFindWholeWords, kTop, Place{6, 8}, "a word between graphics"},
    {1, u"ssplatb", 0, kTop, Place{6, 7}, "the same name in the second set"},
    {1, u"\u2665", 0, kTop, std::nullopt, "no heart in the second set"},
    {0, u"{", 0, kTop, std::nullopt, "no screen code shows a brace"},
    {0, u"HELLO\r", 0, kTop, std::nullopt, "nor a line break"},
    {0, std::u16string(1, char16_t{0xD83E}) + u"HELLO", 0, kTop, std::nullopt, "a lone surrogate"},
    {0, u"", 0, kTop, std::nullopt, "an empty text"},
    {2, u"0111", 0, kTop, Place{5, 6}, "digits of a map"},
    {2, u"111", 0, Place{4, 7}, Place{5, 7}, "the next digits of a map"},
    {2, u"tr", kFindMatchCase, kTop, Place{3, 1}, "a map in capitals matches either case"},
    {2, u"SEC", kFindWholeWords | kFindBackwards, Place{5, 10}, Place{2, 6}, "back over lines"},
    {2, u"0111", 0, Place{6, 5}, std::nullopt, "from past the end"},
    {2, u"0111", kFindBackwards, Place{6, 5}, Place{5, 6}, "back from past the end"},
    {2, u"0111\r\r", 0, kTop, std::nullopt, "longer than what is left"},
};

TEST(FindText, MatchesWhatTheViewShows) {
    for (const FindCase& c : kFindCases) {
        const std::u16string text = textOf(c.text);
        const int charSet = c.text == 1 ? 1 : 0;
        const std::optional<TextRange> got =
            findText(text, c.typed, charSet, c.flags, position(text, c.origin));
        if (!c.found) {
            EXPECT_FALSE(got.has_value()) << c.what << ": found at " << got->begin;
            continue;
        }
        ASSERT_TRUE(got.has_value()) << c.what;
        EXPECT_EQ(got->begin, position(text, *c.found)) << c.what;
        // One character of the window for each typed one, the surrogate pair included.
        const std::size_t pairs = c.typed.find(char16_t{0xD83E}) != std::u16string::npos ? 1 : 0;
        EXPECT_EQ(got->end - got->begin, c.typed.size() - pairs) << c.what;
    }
}

TEST(SearchOrigin, FromTheScreenOrFromTheSelection) {
    struct Case {
        std::int32_t flags;
        std::size_t origin;
    };
    const TextRange selection{40, 45};
    const TextRange shown{10, 90};
    const Case cases[] = {{kFindFirst, 10},
                          {kFindFirst | kFindBackwards, 90},
                          {kFindFirst | kFindMatchCase | kFindWholeWords, 10},
                          {0, 45},
                          {kFindMatchCase, 45},
                          {kFindBackwards, 40}};
    for (const Case& c : cases)
        EXPECT_EQ(searchOrigin(c.flags, selection, shown), c.origin) << c.flags;
}

TEST(SearchShown, TracesWhereTheMatchIsOrThatThereIsNone) {
    struct Case {
        std::u16string text;
        TextRange selection;
        std::int32_t flags;
        std::optional<std::size_t> begin;
        std::u16string line;
    };
    const Case cases[] = {
        {u"\rA HELLO\r", {0, 0}, kFindFirst, 3, u"ListSearchText - found at line 2, column 3"},
        // A window that counts CR LF as two characters.
        {u"\r\nA HELLO\r\n", {0, 0}, kFindFirst, 4, u"ListSearchText - found at line 2, column 3"},
        {u"HELLO\nHELLO", {0, 5}, 0, 6, u"ListSearchText - found at line 2, column 1"},
        {u"HELLO\nHELLO", {6, 11}, 0, std::nullopt, u"ListSearchText - not found"},
    };
    for (const Case& c : cases) {
        test::TraceCapture trace;
        const std::optional<TextRange> got =
            searchShown({c.text, 0, c.selection, {0, c.text.size()}}, u"hello", c.flags);
        EXPECT_EQ(got.has_value(), c.begin.has_value()) << toUtf8(c.line);
        if (got && c.begin) EXPECT_EQ(got->begin, *c.begin);
        EXPECT_EQ(trace.lines, std::vector<std::u16string>{c.line});
    }
}

}  // namespace
}  // namespace qvx
