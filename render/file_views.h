// The views of a single file: what its content asks for, in either character set, hex and 6502.
#pragma once

#include <cstdint>
#include <string>

#include "disk/image.h"
#include "render/basic_listing.h"

namespace qvx {

// What a file holds, as its first view shows it (viewName names them in this order).
enum class FileContent : std::uint8_t { Basic, MachineCode, Text };

// A program's load address: its first two bytes, low byte first; 0 for a data file or a program
// of fewer than two bytes.
inline std::uint16_t fileLoadAddress(const DiskImage& image) {
    const std::vector<std::uint8_t>& bytes = image.fileBytes;
    if (image.fileKind != kFileProgram || bytes.size() < 2) return 0;
    return static_cast<std::uint16_t>(bytes[0] | bytes[1] << 8);
}

// A data file is text; a program is BASIC when it loads at a BASIC start (isBasicStart), else
// machine code. Needs fileKind set (not kFileNone).
inline FileContent fileContent(const DiskImage& image) {
    if (image.fileKind != kFileProgram) return FileContent::Text;
    return image.fileBytes.size() >= 2 && isBasicStart(fileLoadAddress(image))
               ? FileContent::Basic
               : FileContent::MachineCode;
}

// The text of view 0 to 3 of a file (kViewListing and kViewSecondListing: the content, BASIC
// listing, 6502 or text, in the first or second character set; kViewHex; kViewInstructions for a
// program): font code points and carriage returns only. Empty for a view the file lacks.
std::u16string fileViewText(const DiskImage& image, int view);

}  // namespace qvx
