// Thumbnails: the top of an image's listing as a bitmap, for the host's thumbnail view.
#pragma once

#include <windows.h>

#include <string>

namespace qvx {

// Traces the call, loads the image at path and returns its listing as the viewer's first screen
// shows it, drawn from the glyph source and fitted into width x height (fitPicture): a
// device-dependent bitmap that the caller owns. Null for a box of no area, a file that is no
// readable disk image, or when no bitmap can be made.
HBITMAP previewBitmap(const std::u16string& path, int width, int height);

}  // namespace qvx
