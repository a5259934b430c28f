// The error-byte reader: one error byte per sector, kept after the image's last sector.
#pragma once

#include <string>

#include "disk/image.h"

namespace qvx {

// Sets errorCount to the type's totalSectors and errorBytes to the file's last errorCount bytes.
// Needs type set; does not look at hasErrorBytes (calling it only for images with error bytes is
// the caller's part). Writes errorCount and errorBytes only. Opens and closes the file itself.
// An undetermined type leaves both as they are, silently. The block is zero-filled before the
// read: a file that cannot be opened (one trace line) leaves it zero, a short read ("read error")
// zero past what arrived; each also appends a problem. Without memory for the block both are
// emptied, silently but for a problem.
void getErrorData(const std::u16string& path, DiskImage& image);

}  // namespace qvx
