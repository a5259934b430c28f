// 6502 instructions as a machine-code monitor lists them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace qvx {

// Appends one line per instruction of bytes[0, size), the first at address (addresses wrap at
// $FFFF as the processor's do): the address, the instruction's bytes, the mnemonic and its
// operand ("C000  A9 00     LDA #$00", a branch with its target). A byte that is no documented
// opcode, and each byte of an instruction cut short by the end, is a line ".BYTE $xx". Every
// character is a font code point of charSet, each line ends with a carriage return.
void appendDisassembly(std::u16string& out, const std::uint8_t* bytes, std::size_t size,
                       std::uint32_t address, int charSet);

}  // namespace qvx
