// The file-access observer shared by every platform's file layer.
#include <utility>

#include "disk/file.h"

namespace qvx {

namespace {
FileObserver& observer() {
    static FileObserver installed;
    return installed;
}
}  // namespace

void setFileObserver(FileObserver o) {
    observer() = std::move(o);
}
const FileObserver& fileObserver() {
    return observer();
}

}  // namespace qvx
