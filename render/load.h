// The load of one image, exactly as the viewer runs it: readers, maps, then the first listing.
#pragma once

#include <string>

#include "disk/image.h"

namespace qvx {

// Fills a fresh record from the file and returns the listing in the first character set.
std::u16string loadImage(const std::u16string& path, DiskImage& image);

}  // namespace qvx
