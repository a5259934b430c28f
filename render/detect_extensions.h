// The extensions the detect string names: the files a folder holds that count as images.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "render/viewer_look.h"

namespace qvx {

// Each EXT="..." of a detect string in its order, as written ("D64", "D71", ...).
std::vector<std::u16string> detectExtensions(std::string_view detect = kImageDetectString);

// Whether an extension (fileExtension's result) is one of a disk image (kImageDetectString names
// it), ASCII letters compared without regard to case, as hosts compare them.
bool isDetectedExtension(std::u16string_view extension);

}  // namespace qvx
