// Fuzzes the whole load of an image of every valid size, then every view, checking properties.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/text.h"
#include "base/trace.h"
#include "fuzz_checks.h"
#include "fuzz_input.h"
#include "render/listing.h"
#include "render/load.h"

namespace {

// One file per run, rewritten for each input, on a memory-backed folder where there is one.
const std::string& imagePath() {
    static const std::string path = [] {
        const char* dir = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
        return std::string(dir) + "/qvx-fuzz-" + std::to_string(getpid()) + ".d64";
    }();
    return path;
}

void writeImage(const std::vector<std::uint8_t>& bytes) {
    std::FILE* f = std::fopen(imagePath().c_str(), "wb");
    if (f == nullptr) qvx::fuzz::fail("cannot write the image file");
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    std::atexit([] { std::remove(imagePath().c_str()); });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    auto choice = qvx::fuzz::chooseImage(data[0]);
    static std::vector<std::uint8_t> image;
    qvx::fuzz::fillImage(choice, data + 1, size - 1, image);
    writeImage(image);

    std::size_t traceLines = 0;
    qvx::setTraceSink([&traceLines](const std::u16string& line) {
        qvx::fuzz::require(line.rfind(u"QVX: ", 0) == 0, "trace lines carry the prefix");
        ++traceLines;
    });
    qvx::DiskImage record;
    std::u16string listing = qvx::loadImage(qvx::fromUtf8(imagePath()), record);
    qvx::fuzz::require(record.type == choice.type, "the size alone picks the type");
    qvx::fuzz::require(record.hasErrorBytes == (choice.errorBytes ? 1 : 0), "error-byte variant");
    qvx::fuzz::require(!record.dirEntries.empty(), "a readable image gives a header record");
    qvx::fuzz::checkListing(listing);
    qvx::fuzz::checkListing(qvx::setupString(record, 1));
    qvx::fuzz::checkLoadedImage(record);
    qvx::fuzz::require(traceLines > 0, "the load writes its trace");
    qvx::setTraceSink(nullptr);
    return 0;
}
