// A BASIC program as LIST prints it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "render/basic_tokens.h"

namespace qvx {

// Whether a program loaded at address is BASIC: $0801 (C64), $1001, $1201, $0401 (VIC-20, PET,
// C16 and Plus/4), $1C01, $4001 (C128).
constexpr bool isBasicStart(std::uint16_t address) {
    return address == 0x0801 || address == 0x1001 || address == 0x1201 || address == 0x0401 ||
           address == 0x1C01 || address == 0x4001;
}

// The dialect of a BASIC program by its load address: BASIC 7.0 at $1C01 and $4001, 4.0 at $0401,
// 3.5 at $1001, V2 elsewhere. A V2 program of the PET or the VIC-20 at $0401 or $1001 lists the
// same in 4.0 or 3.5: it holds no token from $CC on, the only ones the later dialects add.
constexpr BasicDialect basicDialect(std::uint16_t address) {
    return address == 0x1C01 || address == 0x4001 ? BasicDialect::V7
           : address == 0x0401                    ? BasicDialect::V4
           : address == 0x1001                    ? BasicDialect::V35
                                                  : BasicDialect::V2;
}

// Appends the listing of program (its bytes after the load address, the first at address) in
// charSet. Lines are found by their ending zero bytes, never by the stored links; a line whose
// link has a zero high byte ends the program, a file without one ends it. Each line: its number,
// a blank, the text with the tokens spelled out (unknown ones as "[$CC]", a two-byte one as
// "[$FE27]"), control characters as the reverse characters quote mode shows. The bytes after the
// program's end follow, after a blank line, as 6502 instructions at their addresses. Every
// character is a font code point of charSet, each line ends with a carriage return.
void appendBasicListing(std::u16string& out, const std::uint8_t* program, std::size_t size,
                        std::uint16_t address, int charSet);

}  // namespace qvx
