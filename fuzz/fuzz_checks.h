// Properties every load must have, whatever the image holds; a broken one aborts the fuzz run.
#pragma once

#include <string>

#include "disk/image.h"

namespace qvx::fuzz {

[[noreturn]] void fail(const char* what);
inline void require(bool ok, const char* what) {
    if (!ok) fail(what);
}

// The listing is empty or ends with a carriage return; every character is plain ASCII, a carriage
// return, or a font code point.
void checkListing(const std::u16string& listing);

// Row counts of the maps and the bounds of the lists for the image's type.
void checkLoadedImage(const DiskImage& image);

}  // namespace qvx::fuzz
