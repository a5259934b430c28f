// File layer on POSIX systems: paths are handed to the system in UTF-8.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "base/text.h"
#include "disk/file.h"

namespace qvx {

ImageFile::ImageFile(const std::u16string& path) : fd_(-1) {
    if (fileObserver().onOpen) fileObserver().onOpen(path);
    // Non-blocking so that a pipe or device given as an image cannot stall the open.
    int fd = ::open(toUtf8(path).c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) return;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return;
    }
    fd_ = fd;
}

ImageFile::~ImageFile() {
    close();
}

ImageFile::ImageFile(ImageFile&& other) noexcept : fd_(other.fd_) {
    other.fd_ = -1;
}

ImageFile& ImageFile::operator=(ImageFile&& other) noexcept {
    if (this != &other) {
        close();
        fd_ = other.fd_;
        other.fd_ = -1;
    }
    return *this;
}

void ImageFile::close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

bool ImageFile::isOpen() const {
    return fd_ >= 0;
}

std::int64_t ImageFile::size() const {
    struct stat st {};
    if (fd_ < 0 || ::fstat(fd_, &st) != 0) return -1;
    return static_cast<std::int64_t>(st.st_size);
}

bool ImageFile::seek(std::int64_t offset) {
    if (fileObserver().onSeek) fileObserver().onSeek(offset, false);
    return fd_ >= 0 && offset >= 0 && ::lseek(fd_, static_cast<off_t>(offset), SEEK_SET) >= 0;
}

bool ImageFile::seekRelative(std::int64_t delta) {
    if (fileObserver().onSeek) fileObserver().onSeek(delta, true);
    return fd_ >= 0 && ::lseek(fd_, static_cast<off_t>(delta), SEEK_CUR) >= 0;
}

std::size_t ImageFile::read(std::uint8_t* buffer, std::size_t count) {
    std::size_t done = 0;
    while (fd_ >= 0 && done < count) {
        ssize_t n = ::read(fd_, buffer + done, count - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<std::size_t>(n);
    }
    if (fileObserver().onRead) fileObserver().onRead(count, done);
    return done;
}

std::int64_t fileSize(const std::u16string& path) {
    struct stat st {};
    if (::stat(toUtf8(path).c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
    return static_cast<std::int64_t>(st.st_size);
}

}  // namespace qvx
