// The BAM reader: one free-sector bitmap per track, in track order.
#pragma once

#include <string>

#include "disk/image.h"

namespace qvx {

// Appends the BAM bitmaps of the image's type to bamTracks.
void getBAMEntries(const std::u16string& path, DiskImage& image);

}  // namespace qvx
