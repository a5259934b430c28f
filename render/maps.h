// The BAM map and the error map: one row per track, one character per sector.
#pragma once

#include "disk/image.h"

namespace qvx {

// Replaces bamMapText and blocksFree, drawn and counted from bamTracks; needs type set. One row
// per bitmap, however many there are; an undetermined type gives an empty text and 0. Cannot
// fail and writes nothing else.
void setupBAMMap(DiskImage& image);

// The free count setupBAMMap stores, without drawing the map: the free sectors of bamTracks on
// every track but the directory track (and the type's uncounted one), less the BAM sectors on
// counted tracks; 0 for an undetermined type.
std::int16_t countBlocksFree(const DiskImage& image);

// Replaces errorMapText, drawn from errorBytes; needs type and errorCount set. Whole zones are
// drawn while sectors of errorCount remain, never a byte past what errorBytes holds; an
// undetermined type gives an empty text. Cannot fail and writes nothing else.
void setupErrorMap(DiskImage& image);

}  // namespace qvx
