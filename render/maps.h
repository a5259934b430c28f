// The BAM map and the error map: one row per track, one character per sector.
#pragma once

#include "disk/image.h"

namespace qvx {

// Sets bamMapText and blocksFree from bamTracks.
void setupBAMMap(DiskImage& image);

// Sets errorMapText from errorBytes.
void setupErrorMap(DiskImage& image);

}  // namespace qvx
