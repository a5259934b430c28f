// What every platform's file layer shares: the sector buffer and the file-access observer.
#include <new>
#include <utility>

#include "disk/file.h"

namespace qvx {

namespace {
// At namespace scope, built when the module loads: files may be opened on any thread.
FileObserver installed;

FileObserver& observer() {
    return installed;
}
}  // namespace

std::unique_ptr<Sector> newSector() {
    try {
        return std::make_unique<Sector>();
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

void setFileObserver(FileObserver o) {
    observer() = std::move(o);
}
const FileObserver& fileObserver() {
    return observer();
}

}  // namespace qvx
