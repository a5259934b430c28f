// The scratch image file of a fuzz run and the checked load.
#include "fuzz_file.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "base/text.h"
#include "base/trace.h"
#include "fuzz_checks.h"
#include "render/listing.h"
#include "render/load.h"

namespace qvx::fuzz {

namespace {
std::string& lastPath() {
    static std::string path;
    return path;
}
}  // namespace

std::u16string writeImageFile(const std::vector<std::uint8_t>& bytes, const char* extension) {
    std::string& path = lastPath();
    if (path.empty()) {
        const char* dir = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
        path = std::string(dir) + "/qvx-fuzz-" + std::to_string(getpid()) + "." + extension;
        std::atexit([] { std::remove(lastPath().c_str()); });
    }
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) fail("cannot write the image file");
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    return fromUtf8(path);
}

void loadAndCheck(const std::u16string& path, DiskImage& record) {
    std::size_t traceLines = 0;
    setTraceSink([&traceLines](const std::u16string& line) {
        require(line.rfind(u"QVX: ", 0) == 0, "trace lines carry the prefix");
        ++traceLines;
    });
    const std::u16string listing = loadImage(path, record);
    checkListing(listing);
    checkListing(setupString(record, 1));
    checkLoadedImage(record);
    require(traceLines > 0, "the load writes its trace");
    setTraceSink(nullptr);
}

}  // namespace qvx::fuzz
