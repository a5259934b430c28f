// The folder walk: one listing per folder, sorted, with the file types the listing already has.
#include "cli/image_paths.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "base/text.h"
#include "disk/detect.h"
#include "render/detect_extensions.h"

namespace qvx::cli {
namespace {

namespace fs = std::filesystem;

fs::path toFsPath(const std::u16string& path) {
#ifdef _WIN32
    return fs::path(std::wstring(path.begin(), path.end()));
#else
    return fs::path(systemPath(path));
#endif
}

std::u16string fromFsPath(const fs::path& path) {
#ifdef _WIN32
    const std::wstring& native = path.native();
    return std::u16string(native.begin(), native.end());
#else
    return pathFromSystem(path.native());
#endif
}

struct FolderItem {
    fs::path name;
    bool folder;
};

// The entries of one folder worth a look: real folders, and what is not a folder nor a link to
// one. Stops at the first error, keeping what it had.
std::vector<FolderItem> readFolder(const fs::path& folder, std::error_code& error) {
    std::vector<FolderItem> items;
    fs::directory_iterator it(folder, error);
    for (; !error && it != fs::directory_iterator(); it.increment(error)) {
        std::error_code ignored;
        const fs::file_status own = it->symlink_status(ignored);
        if (fs::is_symlink(own) && fs::is_directory(it->status(ignored))) continue;
        items.push_back({it->path().filename(), fs::is_directory(own)});
    }
    std::sort(items.begin(), items.end(), [](const FolderItem& a, const FolderItem& b) {
        return a.name.native() < b.name.native();
    });
    return items;
}

void walkFolder(const fs::path& folder, bool recursive, ImagePaths& found) {
    std::error_code error;
    const std::vector<FolderItem> items = readFolder(folder, error);
    if (error) found.errors.push_back({fromFsPath(folder), error.message()});
    for (const FolderItem& item : items) {
        const fs::path path = folder / item.name;
        if (item.folder) {
            if (recursive) walkFolder(path, recursive, found);
        } else if (isDetectedExtension(fileExtension(fromFsPath(item.name)))) {
            found.images.push_back(fromFsPath(path));
        }
    }
}

}  // namespace

bool isFolder(const std::u16string& path) {
    std::error_code ignored;
    return fs::is_directory(toFsPath(path), ignored);
}

ImagePaths collectImages(const std::vector<std::u16string>& given, bool recursive) {
    ImagePaths found;
    for (const std::u16string& path : given) {
        if (isFolder(path)) {
            const std::size_t images = found.images.size();
            const std::size_t errors = found.errors.size();
            walkFolder(toFsPath(path), recursive, found);
            if (found.images.size() == images && found.errors.size() == errors)
                found.foldersWithoutImages.push_back(path);
        } else {
            found.images.push_back(path);
        }
    }
    return found;
}

}  // namespace qvx::cli
