// The picture of a view as a PNG file, written by the system's PNG library.
#pragma once

#include <string>

#include "cli/app.h"
#include "render/picture.h"

namespace qvx::cli {

// Writes the picture with each pixel scale x scale (1 or more) as an 8-bit RGB PNG: to the file
// at path, or through out when path is "-". Returns what went wrong, empty when it was written;
// a failed file may be left partly written. Outside Linux there is no PNG library to use, and it
// says so.
std::string writePng(const Picture& picture, int scale, const std::u16string& path,
                     const Writer& out);

}  // namespace qvx::cli
