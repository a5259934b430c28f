// The extensions the detect string names: the files a folder holds that count as images.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "render/viewer_look.h"

namespace qvx {

// Each EXT="..." of a detect string in its order, as written ("D64", "D71", ...).
std::vector<std::u16string> detectExtensions(std::string_view detect = kImageDetectString);

// "D64, D71, D80, D81, D82, G64": the disk images' extensions for a text, in UTF-8.
std::string extensionList();

// Whether an extension (fileExtension's result) is one of a disk image (kImageDetectString names
// it), ASCII letters compared without regard to case, as hosts compare them.
bool isDetectedExtension(std::u16string_view extension);

}  // namespace qvx
