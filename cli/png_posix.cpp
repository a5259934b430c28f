// PNG through libpng's simplified interface: no time stamp, so one picture gives one file.
#include <png.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "base/text.h"
#include "cli/png.h"

namespace qvx::cli {

std::string writePng(const Picture& picture, int scale, const std::u16string& path,
                     const Writer& out) {
    const Picture scaled = scale == 1 ? picture : scalePicture(picture, scale);
    std::vector<png_byte> rgb;
    rgb.reserve(scaled.pixels.size() * 3);
    for (const Rgb& p : scaled.pixels) rgb.insert(rgb.end(), {p.red, p.green, p.blue});

    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(scaled.width);
    image.height = static_cast<png_uint_32>(scaled.height);
    image.format = PNG_FORMAT_RGB;
    png_alloc_size_t size = 0;
    if (!png_image_write_to_memory(&image, nullptr, &size, 0, rgb.data(), 0, nullptr))
        return image.message;
    std::vector<png_byte> bytes(size);
    if (!png_image_write_to_memory(&image, bytes.data(), &size, 0, rgb.data(), 0, nullptr))
        return image.message;
    const std::string_view data(reinterpret_cast<const char*>(bytes.data()), size);

    if (path == u"-") {
        out(data);
        return {};
    }
    const std::string name = toUtf8(path);
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(name.c_str(), "wb"),
                                                         std::fclose);
    if (!file) return name + ": " + std::strerror(errno);
    if (std::fwrite(data.data(), 1, data.size(), file.get()) != data.size() ||
        std::fclose(file.release()) != 0)
        return name + ": " + std::strerror(errno);
    return {};
}

}  // namespace qvx::cli
