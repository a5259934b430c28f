// The error-byte reader: one error byte per sector, kept after the image's last sector.
#pragma once

#include <string>

#include "disk/image.h"

namespace qvx {

// Sets errorCount and errorBytes from the last totalSectors bytes of the file.
void getErrorData(const std::u16string& path, DiskImage& image);

}  // namespace qvx
