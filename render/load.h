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

// What a reader of many images wants besides the directory.
struct ReadParts {
    bool blocksFree = true;  // the BAM and its free count
    bool errorBytes = true;  // the error bytes of images that have them
};

// Reads a fresh record as loadImage does but only as far as the parts need, and builds no text:
// getDirEntries; when it found a header, getBAMEntries and blocksFree (countBlocksFree) if asked,
// and getErrorData if asked (always for a G64, whose listing needs them) and hasErrorBytes is 1. A
// file that is no readable image leaves the record as loadImage would, empty dirEntries included.
void readImage(const std::u16string& path, DiskImage& image, ReadParts parts);

// Whether a loaded record is a disk image at all (its type determined and a header read) or a
// single file that was read.
bool isReadableImage(const DiskImage& image);

}  // namespace qvx
