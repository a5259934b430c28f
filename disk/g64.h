// G64 images: the GCR tracks of a 1541 disk, turned into sectors and error bytes once per load.
#pragma once

#include <string>

#include "disk/image.h"

namespace qvx {

// Whether the file at path begins with "GCR-1541" and version 0. Reads its first 12 bytes.
bool hasG64Signature(const std::u16string& path);

// The G64 step of the load, after setType found one (container kContainerG64): decodes the
// file's full tracks 1 to 40 (half tracks are not read) and sets type (kTypeD64x40 when tracks 36
// to 40 carry formatted sectors, else kTypeD64) and decodedSectors: the sectors in D64 order, zero
// where none could be read, then one error code per sector. Traces each track that has errors or
// is damaged in the file, and a summary, and appends a problem for each damage of the file (a
// track table, or a track of the disk's, cut short, past the end or longer than the track size).
// A file without any formatted track, or no longer a G64, gets type kTypeUnknown, a problem and
// no decodedSectors. Reads at most the header, the track table and 40 tracks of the header's
// track size.
void readG64(const std::u16string& path, DiskImage& image);

}  // namespace qvx
