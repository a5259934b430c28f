// The directory reader: the disk header and every used directory slot, in directory order.
#pragma once

#include <cstdint>
#include <string>

#include "disk/image.h"

namespace qvx {

constexpr const char* kFileTypeNames[] = {"DEL", "SEQ", "PRG", "USR", "REL", "CBM", "???"};

// Sets the entry's locked and closed flags from a slot's type byte; returns the type index 0..6.
int getFileType(std::uint8_t typeByte, DirEntry& entry);

// Determines the type (setType, then readG64 for a G64), then reads the header sector and the
// directory chain. Needs a fresh record. Writes type, hasErrorBytes, container and
// decodedSectors (through those two), subType (40-track D64 only) and
// dirEntries: the header record, then one entry per used slot in chain order. Opens and closes
// the file itself.
// A failure writes one trace line, appends one problem and keeps what was appended: nothing when
// the type is undetermined or the file cannot be opened or its header sector read; otherwise the
// header record and the entries of every sector read before an unreadable sector or a link that
// leaves the track, goes past sector 40 or comes back. A sector read short counts as read: past
// what arrived it keeps the bytes of the sector read before it, zeros for the header sector; it is
// noted as a problem (short-read) without a trace line.
void getDirEntries(const std::u16string& path, DiskImage& image);

}  // namespace qvx
