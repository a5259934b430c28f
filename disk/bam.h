// The BAM reader: one free-sector bitmap per track, in track order.
#pragma once

#include <string>

#include "disk/image.h"

namespace qvx {

// Appends one bitmap per track to bamTracks, read from the BAM sectors of the image's type.
// Needs type set, and subType for a 40-track D64, as getDirEntries leaves them. Writes bamTracks
// only, appending without clearing it first. Opens and closes the file itself.
// A failure writes one trace line, appends one problem (none for an undetermined type, which
// setType has noted) and keeps the bitmaps of the sectors read before it: a file
// that cannot be opened or an undetermined type appends nothing; an unreadable BAM sector (not
// one byte read) ends the read. A sector read short counts as read: past what arrived it keeps
// the bytes of the BAM sector read before it, zeros for the first; it is noted as a problem
// (short-read) without a trace line.
void getBAMEntries(const std::u16string& path, DiskImage& image);

}  // namespace qvx
