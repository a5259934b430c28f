// ImageBytes: positioned reads from memory follow the file's rules: a position past the end
// reads nothing, a negative one fails.
#include "disk/image_bytes.h"

#include <algorithm>

namespace qvx {

ImageBytes::ImageBytes(const std::u16string& path, const DiskImage& image) {
    if (image.container == kContainerG64)
        decoded_ = &image.decodedSectors;
    else
        file_.emplace(path);
}

std::int64_t ImageBytes::size() const {
    return decoded_ != nullptr ? static_cast<std::int64_t>(decoded_->size()) : file_->size();
}

bool ImageBytes::seek(std::int64_t offset) {
    if (decoded_ == nullptr) return file_->seek(offset);
    if (offset < 0) return false;
    position_ = offset;
    return true;
}

bool ImageBytes::seekRelative(std::int64_t delta) {
    if (decoded_ == nullptr) return file_->seekRelative(delta);
    return seek(position_ + delta);
}

std::size_t ImageBytes::read(std::uint8_t* buffer, std::size_t count) {
    if (decoded_ == nullptr) return file_->read(buffer, count);
    const auto size = static_cast<std::int64_t>(decoded_->size());
    const auto n = static_cast<std::size_t>(
        std::clamp<std::int64_t>(size - position_, 0, static_cast<std::int64_t>(count)));
    if (n == 0) return 0;
    std::copy_n(decoded_->begin() + static_cast<std::ptrdiff_t>(position_), n, buffer);
    position_ += static_cast<std::int64_t>(n);
    return n;
}

}  // namespace qvx
