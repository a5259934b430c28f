// Where the readers take an image's bytes from: its file, or the sectors decoded from a G64.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "disk/file.h"
#include "disk/image.h"

namespace qvx {

// The bytes of an image as a D-file lays them out. For a G64's record its decodedSectors, which
// it must outlive (none once released); otherwise the file at path, opened for reading as
// ImageFile does.
class ImageBytes {
  public:
    ImageBytes(const std::u16string& path, const DiskImage& image);

    bool isOpen() const { return decoded_ != nullptr || file_->isOpen(); }
    std::int64_t size() const;  // -1 when unknown
    bool seek(std::int64_t offset);
    bool seekRelative(std::int64_t delta);
    // Reads up to count bytes, fewer only at the end or on an error.
    std::size_t read(std::uint8_t* buffer, std::size_t count);

  private:
    const std::vector<std::uint8_t>* decoded_ = nullptr;
    std::int64_t position_ = 0;  // in decoded_
    std::optional<ImageFile> file_;
};

}  // namespace qvx
