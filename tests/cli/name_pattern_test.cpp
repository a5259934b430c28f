// Name patterns: the drive's wildcards, typed letters against unshifted and shifted ones, the
// padding that ends a name.
#include "cli/name_pattern.h"

#include <gtest/gtest.h>

#include <string>

#include "base/text.h"
#include "support/image_builder.h"

namespace qvx::cli {
namespace {

struct MatchCase {
    const char16_t* pattern;
    std::string name;  // bytes, padded with $A0 to 16
    bool matches;
};

TEST(NamePattern, MatchesAsTheDriveDoes) {
    const MatchCase cases[] = {
        {u"GAME*", "GAME DATA", true},
        {u"GAME*", "GAME", true},
        {u"GAME*", "GAM", false},
        {u"GAME", "GAME", true},
        {u"GAME", "GAMES", false},
        {u"GAM", "GAME", false},
        {u"G?ME", "GAME", true},
        {u"G?ME", "GME", false},
        // "?" is one character of the name, never the padding after it.
        {u"GAME?", "GAMES", true},
        {u"GAME?", "GAME", false},
        {u"*", "ANYTHING", true},
        {u"*", "", true},
        {u"", "", true},
        {u"", "A", false},
        // The drive looks no further than "*".
        {u"A*B", "AXY", true},
        {u"?*", "", false},
        {u"ABCDEFGHIJKLMNOP", "ABCDEFGHIJKLMNOP", true},
        {u"ABCDEFGHIJKLMNOPQ", "ABCDEFGHIJKLMNOP", false},
        {u"ABCDEFGHIJKLMNOP*", "ABCDEFGHIJKLMNOP", true},
        // A name ends at its first $A0, whatever follows.
        {u"A",
         "A\xA0"
         "B",
         true},
        {u"A?B",
         "A\xA0"
         "B",
         false},
        // A typed blank is the blank $20, not the padding.
        {u"GAME ", "GAME", false},
        {u"GAME DATA", "GAME DATA", true},
        // Letters in either case match the unshifted letter and both shifted forms.
        {u"game*", "GAME DATA", true},
        {u"GAME", "\xC7\x41\x4D\x45", true},
        {u"giana", "\x67\x49\x41\x4E\x41", true},
        {u"GAME", "GAMF", false},
        // Other characters as the terminal shows them in either set.
        {u"\u2660", "\xC1", true},
        {u"\u2660", "\x61", true},
        {u"\u2660", "A", false},
        {u"\u00A3", "\x5C", true},
        {u"\u03C0", "\xFF", true},
        {u"\u03C0", "\xDE", true},
        {u"\U0001FB70", "\xD4", true},
        {u"@", "@", true},
        {u"@", "\x01", false},
        {u"\x1b", "\x1b", false},
        {u"1.2", "1.2", true},
        // An unpaired surrogate matches nothing.
        {u"\xD800", "A", false},
    };
    for (const MatchCase& c : cases) {
        std::array<std::uint8_t, 16> name{};
        const std::vector<std::uint8_t> padded = test::paddedName(c.name);
        std::copy(padded.begin(), padded.end(), name.begin());
        EXPECT_EQ(nameMatches(parseNamePattern(c.pattern), name), c.matches)
            << "pattern '" << toUtf8(c.pattern) << "', name bytes of '" << c.name << "'";
    }
}

}  // namespace
}  // namespace qvx::cli
