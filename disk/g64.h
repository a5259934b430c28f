// G64 images: the GCR tracks of a 1541 disk, turned into sectors and error bytes once per load.
#pragma once

#include <string>

#include "disk/image.h"

namespace qvx {

// When the file at path begins with "GCR-1541" and version 0: decodes its full tracks 1 to 40
// (half tracks are not read) and sets type (kTypeD64x40 when tracks 36 to 40 carry formatted
// sectors, else kTypeD64), hasErrorBytes 1, container kContainerG64 and decodedSectors: the
// sectors in D64 order, zero where none could be read, then one error code per sector. Traces
// each track that has errors or is damaged in the file, and a summary; returns true.
// Anything else (a file that cannot be opened or read, another signature or version) returns
// false and changes nothing. Reads at most the header, the track table and 40 tracks of the
// header's track size.
bool readG64(const std::u16string& path, DiskImage& image);

}  // namespace qvx
