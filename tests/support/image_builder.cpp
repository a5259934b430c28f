// Test image builder.
#include "support/image_builder.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "base/text.h"

namespace qvx::test {

namespace fs = std::filesystem;

ImageBuilder::ImageBuilder(DiskType type, bool errorBytes) : type_(type) {
    std::size_t total = kDiskFormats.at(type).totalSectors;
    bytes_.assign(total * (errorBytes ? 257 : 256), 0);
}

std::uint8_t* ImageBuilder::sector(std::uint32_t track, std::uint32_t s) {
    std::uint64_t offset = sectorOffset(type_, track, s);
    if (offset + kSectorSize > bytes_.size()) throw std::out_of_range("sector outside the image");
    return bytes_.data() + offset;
}

ImageBuilder& ImageBuilder::put(std::uint32_t track, std::uint32_t s, std::size_t offset,
                                std::vector<std::uint8_t> values) {
    if (offset + values.size() > kSectorSize) throw std::out_of_range("bytes past the sector");
    std::copy(values.begin(), values.end(), sector(track, s) + offset);
    return *this;
}

ImageBuilder& ImageBuilder::putAt(std::size_t fileOffset, std::vector<std::uint8_t> values) {
    if (fileOffset + values.size() > bytes_.size()) throw std::out_of_range("bytes past the image");
    std::copy(values.begin(), values.end(), bytes_.begin() + fileOffset);
    return *this;
}

ImageBuilder& ImageBuilder::header(std::string_view name, std::string_view id,
                                   std::string_view dosType) {
    const DiskFormat& f = kDiskFormats[type_];
    put(f.dirTrack, 0, f.nameOffset, paddedName(name));
    put(f.dirTrack, 0, f.idOffset, std::vector<std::uint8_t>(id.begin(), id.end()));
    put(f.dirTrack, 0, f.dosTypeOffset, std::vector<std::uint8_t>(dosType.begin(), dosType.end()));
    return *this;
}

ImageBuilder& ImageBuilder::dirLink(std::uint32_t dirSector, std::uint8_t linkTrack,
                                    std::uint8_t linkSector) {
    // Directory sectors are found at headerOffset + 256 * sector, whatever the track's size.
    return putAt(kDiskFormats[type_].headerOffset + kSectorSize * dirSector,
                 {linkTrack, linkSector});
}

ImageBuilder& ImageBuilder::slot(std::uint32_t dirSector, int k, std::uint8_t typeByte,
                                 std::string_view name, std::uint16_t blocks) {
    std::size_t base = kDiskFormats[type_].headerOffset + kSectorSize * dirSector + 32 * (k - 1);
    putAt(base + 2, {typeByte});
    putAt(base + 5, paddedName(name));
    putAt(base + 30,
          {static_cast<std::uint8_t>(blocks & 0xFF), static_cast<std::uint8_t>(blocks >> 8)});
    return *this;
}

ImageBuilder& ImageBuilder::errorByte(std::size_t index, std::uint8_t value) {
    std::size_t total = kDiskFormats[type_].totalSectors;
    if (bytes_.size() != total * 257 || index >= total)
        throw std::out_of_range("no such error byte");
    bytes_[total * 256 + index] = value;
    return *this;
}

std::string ImageBuilder::write(const std::string& path) const {
    return writeFile(path, bytes_);
}

std::vector<std::uint8_t> paddedName(std::string_view name) {
    std::vector<std::uint8_t> out(16, 0xA0);
    std::copy_n(name.begin(), std::min<std::size_t>(name.size(), 16), out.begin());
    return out;
}

namespace {
struct ScratchRoot {
    fs::path path;
    ScratchRoot() {
        auto base = fs::temp_directory_path();
        for (int i = 0;; ++i) {
            path = base / ("qvx-test-" + std::to_string(std::rand()) + "-" + std::to_string(i));
            if (fs::create_directory(path)) break;
        }
    }
    ~ScratchRoot() {
        std::error_code ec;
        fs::remove_all(path, ec);
    }
};
}  // namespace

std::string scratchDir() {
    static ScratchRoot root;
    static std::atomic<int> next{0};
    fs::path dir = root.path / std::to_string(next++);
    fs::create_directories(dir);
    return dir.generic_string();
}

std::string writeFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(fs::u8path(path), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path);
    return path;
}

std::vector<std::uint8_t> readFile(const std::string& path) {
    std::ifstream in(fs::u8path(path), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string sizedFile(const std::string& path, std::uint64_t size) {
    writeFile(path, {});
    fs::resize_file(fs::u8path(path), size);
    return path;
}

std::u16string u16path(const std::string& path) {
    return pathFromSystem(path);
}

}  // namespace qvx::test
