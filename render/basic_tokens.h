// The keywords of Commodore BASIC by token, for the dialects a program file may be written in.
#pragma once

#include <cstdint>
#include <string_view>

namespace qvx {

enum class BasicDialect : std::uint8_t {
    V2,   // C64, VIC-20, PET BASIC 2: tokens $80 to $CB
    V4,   // PET BASIC 4.0: V2 and its disk keywords $CC to $DA
    V35,  // C16 and Plus/4: V2 and $CC to $FD
    V7,   // C128: as 3.5, with $CE and $FE starting two-byte tokens
};

// The first byte of a C128 two-byte token.
constexpr std::uint8_t kPrefixFunction = 0xCE;
constexpr std::uint8_t kPrefixStatement = 0xFE;

// Whether token starts a two-byte token in the dialect.
constexpr bool isTokenPrefix(BasicDialect dialect, std::uint8_t token) {
    return dialect == BasicDialect::V7 && (token == kPrefixFunction || token == kPrefixStatement);
}

// The keyword of a one-byte token (0x80 to 0xFE) as LIST spells it, in ASCII capitals ("^" for
// the up arrow of the power token); empty when the dialect has none for it.
std::string_view keyword(BasicDialect dialect, std::uint8_t token);

// The keyword of a C128 two-byte token (prefix kPrefixFunction or kPrefixStatement); empty when
// BASIC 7.0 has none for it.
std::string_view prefixedKeyword(std::uint8_t prefix, std::uint8_t token);

}  // namespace qvx
