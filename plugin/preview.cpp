// The listing as a picture, handed over as a GDI bitmap.
#include "plugin/preview.h"

#include <cstdint>
#include <vector>

#include "base/text.h"
#include "base/trace.h"
#include "disk/image.h"
#include "render/load.h"
#include "render/picture.h"

namespace qvx {

HBITMAP previewBitmap(const std::u16string& path, int width, int height) {
    logDebug(u"ListGetPreviewBitmap - called for '" + path + u"'; size=" + decimal(width) + u"x" +
             decimal(height));
    if (width <= 0 || height <= 0) return nullptr;
    DiskImage image;
    const std::u16string listing = loadImage(path, image);
    if (!isReadableImage(image)) return nullptr;
    const Picture picture = fitPicture(renderText(listing), width, height);
    if (picture.pixels.empty()) return nullptr;

    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = picture.width;
    info.bmiHeader.biHeight = -picture.height;  // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    std::vector<std::uint32_t> bits;
    bits.reserve(picture.pixels.size());
    for (const Rgb& p : picture.pixels)
        bits.push_back(std::uint32_t{p.red} << 16 | std::uint32_t{p.green} << 8 | p.blue);
    HDC screen = GetDC(nullptr);
    if (screen == nullptr) return nullptr;
    HBITMAP bitmap =
        CreateDIBitmap(screen, &info.bmiHeader, CBM_INIT, bits.data(), &info, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    return bitmap;
}

}  // namespace qvx
