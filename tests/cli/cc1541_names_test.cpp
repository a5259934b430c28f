// qvx's terminal mapping against an independent one: cc1541 prints a directory in Unicode
// ("-U 1" upper-case/graphics set, "-U 2" lower-case set). On images that cc1541 wrote with every
// PETSCII byte in the names, both programs must show the same characters, except where the
// table below says why not.
#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <ostream>
#include <regex>
#include <string>
#include <vector>

#include "base/text.h"
#include "run_program.h"
#include "support/image_builder.h"

namespace qvx::test {
namespace {

constexpr const char* kQvx = QVX_BINARY;
constexpr const char* kCc1541 = QVX_CC1541;

constexpr int kBothSets = -1;

struct Difference {
    int charSet;  // 0 upper case, 1 lower case, kBothSets
    std::vector<std::uint8_t> bytes;
    const char* reason;
};

std::vector<std::uint8_t> range(std::uint8_t first, std::uint8_t last) {
    std::vector<std::uint8_t> out;
    for (unsigned b = first; b <= last; ++b) out.push_back(static_cast<std::uint8_t>(b));
    return out;
}

// Where qvx deliberately shows another character than cc1541.
const std::vector<Difference>& differences() {
    static const std::vector<Difference> table = {
        {kBothSets, range(0x01, 0x1F),
         "control codes: the listing draws every one as screen code 0 (@); cc1541 shows the "
         "reverse letter of quote mode"},
        {kBothSets, range(0x80, 0x9F), "control codes, as 0x01..0x1F"},
        {kBothSets, {0x27}, "apostrophe: ASCII as every punctuation mark; cc1541 uses U+2019"},
        {kBothSets,
         {0x60},
         "0x60 has the glyph of 0xC0 (screen code 0x40), the line the box drawings join: U+2500 "
         "as cc1541 shows 0xC0; cc1541 gives 0x60 the one-eighth line U+1FB79"},
        {0,
         {0xC3},
         "0xC3 has the glyph of 0x63 (screen code 0x43): U+1FB78 as cc1541 shows 0x63; cc1541 "
         "folds 0xC3 into U+2500, the character of screen code 0x40"},
        {kBothSets,
         {0xA5, 0xE5},
         "thinnest of the left bars 0xA5, 0xB4, 0xB5, 0xA1: U+258F; cc1541 U+258E, the "
         "character of 0xB4"},
        {kBothSets,
         {0xA7, 0xE7},
         "thinnest right bar, at the cell's edge: U+2595; cc1541 U+1FB75, a line inside the cell"},
        {kBothSets,
         {0xAA, 0xEA},
         "right quarter bar, the step between 0xA7 and 0xB6: U+1FB87; cc1541 U+1FB75, the "
         "character it gives 0xA7"},
        {kBothSets,
         {0xAF, 0xEF},
         "lower quarter bar, the step between 0xA4 and 0xB9: U+2582; cc1541 U+2581, the "
         "character of 0xA4"},
        {kBothSets, range(0xB6, 0xB8),
         "same glyphs as 0xF6..0xF8 (screen codes 0x76..0x78), which cc1541 shows as U+1FB88, "
         "U+1FB82, U+1FB83 like qvx; for 0xB6..0xB8 it takes the coarser half blocks"},
        {1,
         {0x7E, 0xDE},
         "same glyph as 0xFF (lower-case screen code 0x5E): U+1FB96 as cc1541 shows 0xFF; "
         "cc1541 gives 0x7E and 0xDE the checkerboard of 0xA6"},
        {1,
         {0xBA, 0xBB},
         "same glyphs as 0xFA, 0xFB (check mark, lower left quadrant), which cc1541 shows as "
         "qvx does; its 0xBA, 0xBB are one place out of step"},
    };
    return table;
}

const char* differenceReason(int charSet, std::uint8_t byte) {
    for (const Difference& d : differences()) {
        if (d.charSet != kBothSets && d.charSet != charSet) continue;
        for (std::uint8_t b : d.bytes)
            if (b == byte) return d.reason;
    }
    return nullptr;
}

std::string hexDigits(std::uint32_t value, int digits) {
    std::string out(static_cast<std::size_t>(digits), '0');
    for (int i = digits - 1; i >= 0; --i, value >>= 4) out[i] = "0123456789ABCDEF"[value & 0xF];
    return out;
}

std::string describe(char32_t c) {
    return "U+" + hexDigits(c, c > 0xFFFF ? 5 : 4);
}

// A name for cc1541's -f and -n: every byte as "#xx".
std::string escaped(const std::vector<std::uint8_t>& bytes) {
    std::string out;
    const char* digits = "0123456789abcdef";
    for (std::uint8_t b : bytes) {
        out += '#';
        out += digits[b >> 4];
        out += digits[b & 0xF];
    }
    return out;
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::size_t start = 0;
    for (std::size_t lf; (lf = text.find('\n', start)) != std::string::npos; start = lf + 1)
        out.push_back(text.substr(start, lf - start));
    out.push_back(text.substr(start));
    return out;
}

// A line as code points, without its SGR sequences.
std::u32string codePoints(const std::string& line) {
    static const std::regex sgr("\x1b\\[[0-9;]*m");
    const std::u16string text = fromUtf8(std::regex_replace(line, sgr, ""));
    std::u32string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size()) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
        }
        out += c;
    }
    return out;
}

struct Name {
    std::vector<std::uint8_t> bytes;  // without 0xA0 padding
};

// The names of a printed directory: the disk name, then the file names in order. In both
// programs' printouts the disk name starts at column 3, the file names at column 6.
std::vector<std::u32string> printedNames(const std::string& printout, std::size_t files) {
    const auto all = lines(printout);
    std::size_t header = 0;
    while (header < all.size() && codePoints(all[header]).rfind(U"0 \"", 0) != 0) ++header;
    std::vector<std::u32string> names;
    if (header + files >= all.size()) return names;
    names.push_back(codePoints(all[header]).substr(3));
    for (std::size_t k = 1; k <= files; ++k) names.push_back(codePoints(all[header + k]).substr(6));
    return names;
}

struct ImageCase {
    const char* extension;
};

void PrintTo(const ImageCase& c, std::ostream* os) {
    *os << c.extension << " image";
}

class Cc1541Names : public ::testing::TestWithParam<ImageCase> {};

TEST_P(Cc1541Names, AgreeInBothCharacterSets) {
    // Every byte but 0x00 (it ends a name in the listing) and 0xA0 (it ends one in cc1541's
    // printout), sixteen to a name, then a few names typed as text.
    std::vector<std::uint8_t> all;
    for (unsigned b = 1; b < 0x100; ++b)
        if (b != 0xA0) all.push_back(static_cast<std::uint8_t>(b));
    std::vector<Name> files;
    for (std::size_t i = 0; i < all.size(); i += 16) {
        Name n;
        n.bytes.assign(all.begin() + i, all.begin() + std::min(all.size(), i + 16));
        files.push_back(n);
    }
    for (const char* text : {"HELLO, WORLD 42!", "GAME V1.2", "A+B=C? (8%)"})
        files.push_back({std::vector<std::uint8_t>(text, text + std::string(text).size())});
    const Name disk{{0x51, 0x56, 0x58, 0x20, 0xC1, 0xD3, 0xA6, 0xBF, 0x5C, 0x31, 0x3F}};

    const std::string image = scratchDir() + "/names." + GetParam().extension;
    std::vector<std::string> make = {kCc1541, "-n", escaped(disk.bytes), "-i", "ab 2a"};
    for (const Name& n : files) {
        for (const char* arg : {"-N", "-f"}) make.push_back(arg);
        make.push_back(escaped(n.bytes));
        make.push_back("-L");
    }
    make.push_back(image);
    const ProgramResult made = runProgram(make);
    ASSERT_EQ(made.status, 0) << "cc1541 at " << kCc1541 << ": " << made.err;

    std::vector<Name> expected = {disk};
    expected.insert(expected.end(), files.begin(), files.end());

    std::map<std::string, int> agreed;
    for (int charSet : {0, 1}) {
        SCOPED_TRACE("character set " + std::to_string(charSet));
        const ProgramResult ours =
            runProgram({kQvx, "--color", "never", "--view", std::to_string(charSet), image});
        const ProgramResult theirs =
            runProgram({kCc1541, "-U", std::to_string(charSet + 1), image});
        ASSERT_EQ(ours.status, 0) << ours.err;
        ASSERT_EQ(theirs.status, 0) << theirs.err;
        const auto ourNames = printedNames(ours.out, files.size());
        const auto theirNames = printedNames(theirs.out, files.size());
        ASSERT_EQ(ourNames.size(), expected.size()) << ours.out;
        ASSERT_EQ(theirNames.size(), expected.size()) << theirs.out;

        for (std::size_t k = 0; k < expected.size(); ++k) {
            const auto& bytes = expected[k].bytes;
            ASSERT_GT(ourNames[k].size(), bytes.size());
            ASSERT_GT(theirNames[k].size(), bytes.size());
            for (std::size_t i = 0; i < bytes.size(); ++i) {
                const char32_t a = ourNames[k][i];
                const char32_t b = theirNames[k][i];
                const char* reason = differenceReason(charSet, bytes[i]);
                const std::string where = "byte 0x" + hexDigits(bytes[i], 2) + ": qvx " +
                                          describe(a) + ", cc1541 " + describe(b);
                if (reason != nullptr) {
                    // A listed difference that no longer is one belongs out of the table.
                    EXPECT_NE(a, b) << where << " is listed as a difference: " << reason;
                } else {
                    EXPECT_EQ(a, b) << where;
                    ++agreed[charSet == 0 ? "upper" : "lower"];
                }
            }
        }
    }
    // Most characters are compared, not excused.
    EXPECT_GT(agreed["upper"], 200);
    EXPECT_GT(agreed["lower"], 200);
}

INSTANTIATE_TEST_SUITE_P(Images, Cc1541Names,
                         ::testing::Values(ImageCase{"d64"}, ImageCase{"d71"}, ImageCase{"d81"}),
                         [](const auto& info) { return std::string(info.param.extension); });

}  // namespace
}  // namespace qvx::test
