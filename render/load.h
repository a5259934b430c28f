// The load of one image or single file, exactly as the viewer runs it: readers, maps, then the
// first listing.
#pragma once

#include <string>

#include "disk/image.h"

namespace qvx {

// Fills a fresh record from the file and returns the text of its first view. A single file
// (readProgramFile) is read whole and nothing else; a disk image goes through getDirEntries,
// getBAMEntries and setupBAMMap, then getErrorData and setupErrorMap when hasErrorBytes is 1;
// releases decodedSectors afterwards. Writes every field but wrapFlag and showState, which belong
// to the front end. Never fails as a whole: each step traces its own failure and the next ones run
// on what it left; a file that is no readable image gives an empty listing and an empty dirEntries.
std::u16string loadImage(const std::u16string& path, DiskImage& image);

// Whether a loaded record is a disk image at all (its type determined and a header read) or a
// single file that was read.
bool isReadableImage(const DiskImage& image);

}  // namespace qvx
