// An image read for a collection: the viewer's readers, only as far as the output needs.
#pragma once

#include <string>

#include "disk/image.h"

namespace qvx::cli {

// What a reader of many images wants besides the directory.
struct ReadParts {
    bool blocksFree = true;  // the BAM and its free count
    bool errorBytes = true;  // the error bytes of images that have them
};

// Reads a fresh record as loadImage does but only as far as the parts need, and builds no text:
// getDirEntries; when it found a header, getBAMEntries and blocksFree (countBlocksFree) if asked,
// and getErrorData if asked or the listing needs them (listingNeedsErrorBytes). A file that is no
// readable image leaves the record as loadImage would, empty dirEntries included.
void readImage(const std::u16string& path, DiskImage& image, ReadParts parts);

}  // namespace qvx::cli
