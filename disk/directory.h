// The directory reader: the disk header and every used directory slot, in directory order.
#pragma once

#include <cstdint>
#include <string>

#include "disk/image.h"

namespace qvx {

constexpr const char* kFileTypeNames[] = {"DEL", "SEQ", "PRG", "USR", "REL", "CBM", "???"};

// Sets the entry's locked and closed flags from a slot's type byte; returns the type index 0..6.
int getFileType(std::uint8_t typeByte, DirEntry& entry);

// Determines the type, then appends the header record and one entry per used slot.
void getDirEntries(const std::u16string& path, DiskImage& image);

}  // namespace qvx
