// The images a command line names: files as given, folders as the counted files in them.
#pragma once

#include <string>
#include <vector>

namespace qvx::cli {

struct FolderError {
    std::u16string folder;  // as shown: the given path, or it joined with the names below it
    std::string reason;     // the system's words
};

struct ImagePaths {
    std::vector<std::u16string> images;  // in the order given, each folder's in name order
    std::vector<FolderError> errors;     // folders that could not be read, whole or in part
    std::vector<std::u16string> foldersWithoutImages;  // given folders read whole, no image found
};

// Whether the path is a folder, or a symbolic link to one.
bool isFolder(const std::u16string& path);

// Expands the paths: a folder (followed when a given path is a link to one) stands for its
// files whose extension the detect string names and, with recursive, the same of every folder
// inside it, all sorted by name in code-unit order, depth first; links to folders inside are
// neither followed nor counted. Anything else given is taken as it is, even a missing file. A
// given folder read without an error that gives no image is named in foldersWithoutImages.
ImagePaths collectImages(const std::vector<std::u16string>& given, bool recursive);

}  // namespace qvx::cli
