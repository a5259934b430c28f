// Recording through the file observer, replaying through ImageFile.
#include "file_ops.h"

#include <memory>

#include "disk/file.h"

namespace qvx::bench {

FileOpRecorder::FileOpRecorder(FileOpLog& log) {
    FileObserver observer;
    observer.onOpen = [&log](const std::u16string&) { log.ops.push_back({FileOp::kOpen, 0}); };
    observer.onSeek = [&log](std::int64_t v, bool relative) {
        log.ops.push_back({relative ? FileOp::kSeekRelative : FileOp::kSeek, v});
    };
    observer.onRead = [&log](std::size_t requested, std::size_t delivered) {
        log.ops.push_back({FileOp::kRead, static_cast<std::int64_t>(requested)});
        log.bytesRead += delivered;
    };
    setFileObserver(observer);
}

FileOpRecorder::~FileOpRecorder() {
    setFileObserver({});
}

std::uint64_t replayFileOps(const std::u16string& path, const std::vector<FileOp>& ops,
                            std::vector<std::uint8_t>& buffer) {
    std::uint64_t read = 0;
    std::unique_ptr<ImageFile> file;
    for (const FileOp& op : ops) {
        switch (op.kind) {
            case FileOp::kOpen:
                file.reset();
                file = std::make_unique<ImageFile>(path);
                break;
            case FileOp::kSeek:
                file->seek(op.value);
                break;
            case FileOp::kSeekRelative:
                file->seekRelative(op.value);
                break;
            case FileOp::kRead:
                if (buffer.size() < static_cast<std::size_t>(op.value)) buffer.resize(op.value);
                read += file->read(buffer.data(), static_cast<std::size_t>(op.value));
                break;
        }
    }
    return read;
}

}  // namespace qvx::bench
