// A BASIC program as LIST prints it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "render/basic_tokens.h"

namespace qvx {

// Whether a program loaded at address is BASIC: $0801 (C64), $1001, $1201, $0401 (VIC-20, PET,
// C16 and Plus/4), $1C01, $4001 (C128).
bool isBasicStart(std::uint16_t address);

// The dialect of a BASIC program (its bytes after the load address): BASIC 7.0 at $1C01 and
// $4001; at $0401 BASIC 4.0, and at $1001 BASIC 3.5, when a token from $CC on stands outside
// quotes; V2 otherwise.
BasicDialect basicDialect(const std::uint8_t* program, std::size_t size, std::uint16_t address);

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
