// The views of a single file: what its content asks for, in either character set, hex and 6502.
#pragma once

#include <cstdint>
#include <string>

#include "disk/image.h"

namespace qvx {

// What a file holds, as its first view shows it.
enum class FileContent : std::uint8_t { Basic, MachineCode, Text };

// A data file is text; a program is BASIC when it loads at a BASIC start (isBasicStart), else
// machine code. Needs fileKind set (not kFileNone).
FileContent fileContent(const DiskImage& image);

// A program's load address: its first two bytes, low byte first; 0 for a data file or a program
// of fewer than two bytes.
std::uint16_t fileLoadAddress(const DiskImage& image);

// The text of view 0 to 3 of a file (kViewListing and kViewSecondListing: the content, BASIC
// listing, 6502 or text, in the first or second character set; kViewHex; kViewInstructions for a
// program): font code points and carriage returns only. Empty for a view the file lacks.
std::u16string fileViewText(const DiskImage& image, int view);

}  // namespace qvx
