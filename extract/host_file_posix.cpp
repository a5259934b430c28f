// writeHostFile and hostFileTime on POSIX systems: a new file appears under its name only whole,
// through link (which refuses an existing name) or rename (which replaces it).
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

#include "base/text.h"
#include "base/unique_handle.h"
#include "extract/archive.h"

namespace qvx {

namespace {

void closeDescriptor(int fd) {
    ::close(fd);
}
using Descriptor = UniqueHandle<int, &closeDescriptor, -1>;

std::string systemWords(int error) {
    return std::strerror(error);
}

// A name beside the target that no other writer in this or another process picks.
std::string temporaryName(const std::string& target) {
    static std::atomic<unsigned> counter{0};
    static const std::string process = std::to_string(::getpid());
    return target + ".qvx-" + process + "-" + std::to_string(counter++);
}

std::string writeAll(int fd, const std::vector<std::uint8_t>& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return systemWords(n < 0 ? errno : ENOSPC);
        done += static_cast<std::size_t>(n);
    }
    return {};
}

// Puts the finished temporary file under its name; the temporary name is gone either way.
std::string publish(const std::string& temporary, const std::string& target, bool overwrite) {
    if (overwrite) {
        if (::rename(temporary.c_str(), target.c_str()) == 0) return {};
        const int error = errno;
        ::unlink(temporary.c_str());
        return systemWords(error);
    }
    int error = 0;
    if (::link(temporary.c_str(), target.c_str()) != 0) error = errno;
    // File systems without hard links: a look first, then rename.
    if (error == EPERM || error == ENOTSUP || error == EOPNOTSUPP || error == ENOSYS) {
        struct stat st {};
        error = ::lstat(target.c_str(), &st) == 0                  ? EEXIST
                : ::rename(temporary.c_str(), target.c_str()) == 0 ? 0
                                                                   : errno;
    }
    ::unlink(temporary.c_str());
    if (error == EEXIST) return kFileExists;
    return error == 0 ? std::string() : systemWords(error);
}

}  // namespace

std::string writeHostFile(const std::u16string& path, const std::vector<std::uint8_t>& bytes,
                          std::int64_t time, bool readOnly, bool overwrite) {
    const std::string target = systemPath(path);
    struct stat existing {};
    if (!overwrite && ::lstat(target.c_str(), &existing) == 0) return kFileExists;
    const std::string temporary = temporaryName(target);
    std::string problem;
    {
        // The mode passes through the umask, as for any new file; write access is the
        // descriptor's, not the mode's.
        Descriptor fd(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                             readOnly ? 0444 : 0666));
        if (!fd) return systemWords(errno);
        problem = writeAll(fd.get(), bytes);
        const struct timespec times[2] = {{static_cast<time_t>(time), 0},
                                          {static_cast<time_t>(time), 0}};
        if (problem.empty() && ::futimens(fd.get(), times) != 0) problem = systemWords(errno);
        if (problem.empty() && ::close(fd.release()) != 0) problem = systemWords(errno);
    }
    if (!problem.empty()) {
        ::unlink(temporary.c_str());
        return problem;
    }
    return publish(temporary, target, overwrite);
}

std::int64_t hostFileTime(const std::u16string& path) {
    struct stat st {};
    if (::stat(systemPath(path).c_str(), &st) != 0) return 0;
    return static_cast<std::int64_t>(st.st_mtime);
}

std::string makeHostFolder(const std::u16string& path) {
    const std::string folder = systemPath(path);
    if (::mkdir(folder.c_str(), 0777) == 0) return {};
    const int error = errno;
    struct stat st {};
    if (error == EEXIST && ::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return {};
    return systemWords(error);
}

std::u16string hostPath(const std::u16string& folder, const std::u16string& name) {
    if (folder.empty() || folder.back() == u'/') return folder + name;
    return folder + u"/" + name;
}

}  // namespace qvx
