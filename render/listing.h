// The listing view: the directory as the drive prints it, then image type and error-byte info.
#pragma once

#include <string>

#include "disk/image.h"

namespace qvx {

// Builds the listing text of a loaded image in character set charSet (0 first, else second).
std::u16string setupString(const DiskImage& image, int charSet);

// Whether the listing reads the image's error bytes: a G64's, whose last line counts the sectors
// that failed; any other listing only says whether there are some.
bool listingNeedsErrorBytes(const DiskImage& image);

// Appends the line setupString writes for one file entry, without its line break.
void appendEntryLine(std::u16string& text, const DirEntry& entry, int charSet);

}  // namespace qvx
