// Type detection: the image type from file name and size, the DOS variant from the header sector.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "disk/image.h"

namespace qvx {

// The text after the file name's last dot, as written; empty when the name has no extension.
std::u16string fileExtension(const std::u16string& path);

// Sets type, hasErrorBytes and container and clears decodedSectors: from the extension's first
// letter and the exact file size, or, for an extension beginning with G, from the G64 signature
// (type kTypeD64 until readG64 decodes the tracks); when none tells a type, type is kTypeUnknown,
// after one trace line and one problem appended.
void setType(const std::u16string& path, DiskImage& image);

// Tells Dolphin DOS or SpeedDOS from the 40-track BAM areas of a header sector.
DiskSubType setSubType(const Sector& header);

}  // namespace qvx
