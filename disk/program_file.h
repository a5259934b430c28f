// Single Commodore files beside the disk images: .prg, .seq, .usr and PC64 containers (.p00 ...).
#pragma once

#include <cstddef>
#include <string>

#include "disk/image.h"

namespace qvx {

// The most of a file that is read; a longer one shows its first part. No Commodore disk holds a
// larger file.
constexpr std::size_t kMaxFileBytes = 1u << 20;

// The kind an extension names: PRG a program; SEQ, USR a data file; a PC64 container's P, S, U
// or R and two digits (P00, s01, ...) the same kinds. kFileNone for any other extension.
FileKind fileKindOfExtension(const std::u16string& extension);

// When the extension names a file kind and the file is a regular file (and, for a PC64 container,
// begins with its signature "C64File" and a zero), sets fileKind and fileBytes (at most
// kMaxFileBytes of the data, after a container's header) and returns true; nothing is traced
// (the module has no room for the line). Otherwise returns false and leaves the record as it was,
// so that the disk readers take the file.
bool readProgramFile(const std::u16string& path, DiskImage& image);

}  // namespace qvx
