// Builds disk images of every type in memory, byte by byte, and writes them out for the readers.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "disk/file.h"
#include "disk/format.h"

namespace qvx::test {

class ImageBuilder {
  public:
    // A zero-filled image of the type; with error bytes the file is totalSectors * 257 bytes long.
    explicit ImageBuilder(DiskType type, bool errorBytes = false);

    DiskType type() const { return type_; }
    std::vector<std::uint8_t>& bytes() { return bytes_; }

    // The 256 bytes of sector (track, sector), tracks from 1.
    std::uint8_t* sector(std::uint32_t track, std::uint32_t sector);
    // Writes bytes into sector (track, sector) from the given offset.
    ImageBuilder& put(std::uint32_t track, std::uint32_t sector, std::size_t offset,
                      std::vector<std::uint8_t> values);
    // Writes raw bytes at a file offset.
    ImageBuilder& putAt(std::size_t fileOffset, std::vector<std::uint8_t> values);

    // Disk name (padded with 0xA0 to 16 bytes), ID and DOS type in the header sector.
    ImageBuilder& header(std::string_view name, std::string_view id, std::string_view dosType);
    // Link bytes 0 and 1 of a directory sector on the directory track.
    ImageBuilder& dirLink(std::uint32_t dirSector, std::uint8_t linkTrack, std::uint8_t linkSector);
    // Slot k (1..8) of a directory sector: type byte, name padded with 0xA0, block count.
    ImageBuilder& slot(std::uint32_t dirSector, int k, std::uint8_t typeByte, std::string_view name,
                       std::uint16_t blocks);
    // The error byte of sector index i (image order); needs an image with error bytes.
    ImageBuilder& errorByte(std::size_t index, std::uint8_t value);

    // Writes the image to path (replacing any file there); returns the path.
    std::string write(const std::string& path) const;

  private:
    DiskType type_;
    std::vector<std::uint8_t> bytes_;
};

// Bytes of a name as on disk: the characters, then 0xA0 up to 16 bytes.
std::vector<std::uint8_t> paddedName(std::string_view name);

// A fresh, empty directory under the system's temp folder, removed when the test program ends.
std::string scratchDir();

// Writes bytes to a file; returns the path.
std::string writeFile(const std::string& path, const std::vector<std::uint8_t>& bytes);

// The bytes of a file, read past the file layer (whose opens tests count); none when it cannot be
// read.
std::vector<std::uint8_t> readFile(const std::string& path);

// Makes path a file of exactly size bytes of zeros (sparse where the file system allows).
std::string sizedFile(const std::string& path, std::uint64_t size);

// The path in the UTF-16 form the readers take, its bytes kept where they are not UTF-8.
std::u16string u16path(const std::string& path);

// Installs a file observer for the life of the object, so that no test leaves one behind.
class ScopedFileObserver {
  public:
    explicit ScopedFileObserver(FileObserver observer) { setFileObserver(std::move(observer)); }
    ~ScopedFileObserver() { setFileObserver({}); }
    ScopedFileObserver(const ScopedFileObserver&) = delete;
    ScopedFileObserver& operator=(const ScopedFileObserver&) = delete;
};

}  // namespace qvx::test
