// The thin file layer under the readers: read-only access to an image by UTF-16 path.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "base/unique_handle.h"
#include "disk/format.h"

namespace qvx {

// The system's own file: a HANDLE on Windows, a descriptor elsewhere; -1 holds nothing on both.
#ifdef _WIN32
using SystemFile = void*;
#else
using SystemFile = int;
#endif
void closeSystemFile(SystemFile file);

#ifdef _WIN32
// The name handed to the system for a path: a long one in the form that lifts MAX_PATH.
std::u16string longFormPath(const std::u16string& path);
#endif

// An image file open for reading. Closed when the object goes; never written through.
class ImageFile {
  public:
    // Opens a regular file for reading, sharing read, write and delete with other programs.
    // Anything else (missing file, directory, device, pipe) gives a closed object.
    explicit ImageFile(const std::u16string& path);

    bool isOpen() const { return static_cast<bool>(file_); }
    std::int64_t size() const;  // -1 when unknown
    bool seek(std::int64_t offset);
    bool seekRelative(std::int64_t delta);
    // Reads up to count bytes, fewer only at the end of the file or on an error.
    std::size_t read(std::uint8_t* buffer, std::size_t count);

  private:
    UniqueHandle<SystemFile, &closeSystemFile, -1> file_;
};

// A zero-filled buffer for one sector; null when there is no memory for it.
std::unique_ptr<Sector> newSector();

// Size in bytes of a regular file; -1 for a missing file, a directory or anything else.
std::int64_t fileSize(const std::u16string& path);

// Lets tests and benchmarks watch file access (count it, or change the file at a chosen moment).
// Empty by default; not for use while images are loaded on another thread.
struct FileObserver {
    std::function<void(const std::u16string& path)> onOpen;
    std::function<void(std::size_t requested, std::size_t delivered)> onRead;
    std::function<void(std::int64_t offset, bool relative)> onSeek;
};
void setFileObserver(FileObserver observer);
const FileObserver& fileObserver();

}  // namespace qvx
