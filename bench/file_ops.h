// The file operations of a load, recorded once and replayed without any parsing: the I/O floor
// every benchmark measures against.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qvx::bench {

struct FileOp {
    enum Kind { kOpen, kSeek, kSeekRelative, kRead } kind;
    std::int64_t value;  // the offset, or the bytes asked for
};

struct FileOpLog {
    std::vector<FileOp> ops;
    std::uint64_t bytesRead = 0;
};

// Logs every open, seek and read of the file layer into log while it lives; one thread only.
class FileOpRecorder {
  public:
    explicit FileOpRecorder(FileOpLog& log);
    ~FileOpRecorder();
    FileOpRecorder(const FileOpRecorder&) = delete;
    FileOpRecorder& operator=(const FileOpRecorder&) = delete;
};

// The same opens, seeks and reads on path, through the same file layer; buffer grows as needed.
// Returns the bytes read.
std::uint64_t replayFileOps(const std::u16string& path, const std::vector<FileOp>& ops,
                            std::vector<std::uint8_t>& buffer);

}  // namespace qvx::bench
