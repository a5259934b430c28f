// File-name patterns with the drive's wildcards, typed in plain letters and compared with the
// names on the disk as the drive compares them.
#pragma once

#include <array>
#include <bitset>
#include <cstdint>
#include <string_view>
#include <vector>

namespace qvx::cli {

// One character of a pattern: the name bytes it stands for; all of them for "?".
using PatternChar = std::bitset<256>;

struct NamePattern {
    std::vector<PatternChar> chars;  // up to the first "*"
    bool anyRest = false;            // a "*" ended it: whatever follows in the name matches
};

// "*" matches the rest of the name (the drive ignores what the pattern has after it), "?" any
// one character of the name, every other character the name bytes the terminal shows as that
// character in either character set, letters without regard to case: "g" and "G" match the
// unshifted letter $47 and its shifted forms $67 and $C7. No character matches a control code
// or the $A0 that pads a name. Text is UTF-16; an unpaired surrogate matches nothing.
NamePattern parseNamePattern(std::u16string_view typed);

// Whether a 16-byte name matches: every pattern character matches its byte, and then a "*"
// ended the pattern or the name ends too (16 bytes, or $A0 padding from there on). "?" never
// matches the padding, so "AB?" does not match "AB".
bool nameMatches(const NamePattern& pattern, const std::array<std::uint8_t, 16>& name);

}  // namespace qvx::cli
