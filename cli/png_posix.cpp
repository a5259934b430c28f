// PNG through libpng's simplified interface: no time stamp, so one picture gives one file.
#include <png.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "base/text.h"
#include "cli/png.h"

namespace qvx::cli {

namespace {

// The picture's pixels as RGB bytes, each scale x scale, without a scaled copy in between.
std::vector<png_byte> scaledRgb(const Picture& picture, int scale) {
    const std::size_t rowBytes = static_cast<std::size_t>(picture.width) * scale * 3;
    std::vector<png_byte> rgb;
    rgb.reserve(rowBytes * static_cast<std::size_t>(picture.height) * scale);
    for (int y = 0; y < picture.height; ++y) {
        const std::size_t row = rgb.size();
        for (int x = 0; x < picture.width; ++x)
            for (int i = 0; i < scale; ++i) {
                const Rgb& p = picture.at(x, y);
                rgb.insert(rgb.end(), {p.red, p.green, p.blue});
            }
        // Grown first and then copied: a range of a vector may not be inserted into itself.
        for (int i = 1; i < scale; ++i) {
            const std::size_t copy = rgb.size();
            rgb.resize(copy + rowBytes);
            std::copy_n(rgb.begin() + static_cast<std::ptrdiff_t>(row), rowBytes,
                        rgb.begin() + static_cast<std::ptrdiff_t>(copy));
        }
    }
    return rgb;
}

}  // namespace

std::string writePng(const Picture& picture, int scale, const std::u16string& path,
                     const Writer& out) {
    const std::vector<png_byte> rgb = scaledRgb(picture, scale);
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(picture.width * scale);
    image.height = static_cast<png_uint_32>(picture.height * scale);
    image.format = PNG_FORMAT_RGB;

    if (path == u"-") {
        // Room for the worst case, so that the picture is compressed once.
        png_alloc_size_t size = PNG_IMAGE_PNG_SIZE_MAX(image);
        std::vector<png_byte> bytes(size);
        if (!png_image_write_to_memory(&image, bytes.data(), &size, 0, rgb.data(), 0, nullptr))
            return image.message;
        out(std::string_view(reinterpret_cast<const char*>(bytes.data()), size));
        return {};
    }
    const std::string name = readablePath(path);
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(systemPath(path).c_str(), "wb"),
                                                         std::fclose);
    if (!file) return name + ": " + std::strerror(errno);
    if (!png_image_write_to_stdio(&image, file.get(), 0, rgb.data(), 0, nullptr))
        return name + ": " + image.message;
    if (std::fclose(file.release()) != 0) return name + ": " + std::strerror(errno);
    return {};
}

}  // namespace qvx::cli
