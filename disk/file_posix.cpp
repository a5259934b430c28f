// File layer on POSIX systems: paths are handed to the system as the bytes they came as.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "base/text.h"
#include "disk/file.h"

namespace qvx {

void closeSystemFile(SystemFile file) {
    ::close(file);
}

ImageFile::ImageFile(const std::u16string& path) {
    if (fileObserver().onOpen) fileObserver().onOpen(path);
    // Non-blocking so that a pipe or device given as an image cannot stall the open.
    file_.reset(::open(systemPath(path).c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    struct stat st {};
    if (file_ && (::fstat(file_.get(), &st) != 0 || !S_ISREG(st.st_mode))) file_.reset();
}

std::int64_t ImageFile::size() const {
    struct stat st {};
    if (!isOpen() || ::fstat(file_.get(), &st) != 0) return -1;
    return static_cast<std::int64_t>(st.st_size);
}

bool ImageFile::seek(std::int64_t offset) {
    if (fileObserver().onSeek) fileObserver().onSeek(offset, false);
    return isOpen() && offset >= 0 &&
           ::lseek(file_.get(), static_cast<off_t>(offset), SEEK_SET) >= 0;
}

bool ImageFile::seekRelative(std::int64_t delta) {
    if (fileObserver().onSeek) fileObserver().onSeek(delta, true);
    return isOpen() && ::lseek(file_.get(), static_cast<off_t>(delta), SEEK_CUR) >= 0;
}

std::size_t ImageFile::read(std::uint8_t* buffer, std::size_t count) {
    std::size_t done = 0;
    while (isOpen() && done < count) {
        ssize_t n = ::read(file_.get(), buffer + done, count - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<std::size_t>(n);
    }
    if (fileObserver().onRead) fileObserver().onRead(count, done);
    return done;
}

std::int64_t fileSize(const std::u16string& path) {
    struct stat st {};
    if (::stat(systemPath(path).c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
    return static_cast<std::int64_t>(st.st_size);
}

}  // namespace qvx
