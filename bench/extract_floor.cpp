// The I/O floor of qvx --extract: the image read whole, then for every file of a folder extracted
// before a file of the same name and size written into another, with no parsing at all.
//
//   extract_floor IMAGE REFERENCE_DIR OUT_DIR
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: extract_floor IMAGE REFERENCE_DIR OUT_DIR\n");
        return 2;
    }
    const std::uintmax_t imageSize = fs::file_size(argv[1]);
    std::vector<char> image(imageSize);
    const int in = ::open(argv[1], O_RDONLY | O_CLOEXEC);
    if (in < 0 || ::read(in, image.data(), image.size()) != static_cast<ssize_t>(image.size()))
        return 1;
    ::close(in);
    for (const fs::directory_entry& entry : fs::directory_iterator(argv[2])) {
        const std::size_t size = static_cast<std::size_t>(entry.file_size());
        const std::string target = std::string(argv[3]) + "/" + entry.path().filename().string();
        const int out = ::open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (out < 0) return 1;
        for (std::size_t done = 0; done < size;) {
            const std::size_t chunk = std::min(size - done, image.size());
            if (::write(out, image.data(), chunk) != static_cast<ssize_t>(chunk)) return 1;
            done += chunk;
        }
        ::close(out);
    }
    return 0;
}
