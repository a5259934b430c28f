// The one image file a fuzz run rewrites for each input, and the load of it that every whole-load
// target checks alike.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "disk/image.h"

namespace qvx::fuzz {

// Writes bytes to the run's image file, named with the extension, on a memory-backed folder where
// there is one; the file is removed when the run ends.
std::u16string writeImageFile(const std::vector<std::uint8_t>& bytes, const char* extension);

// Loads the file as the viewer does and checks what holds for every image: trace lines with their
// prefix, at least one of them, both listings, the maps and the lists within their bounds.
void loadAndCheck(const std::u16string& path, DiskImage& record);

}  // namespace qvx::fuzz
