// Nothing written, nothing kept: after the load and every view, each image the robustness tests
// build has its bytes, its modification time and its folder as before, and no descriptor of this
// process refers to it any more (while a reader runs, exactly one does).
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "disk/file.h"
#include "hostile_images.h"
#include "render/listing.h"
#include "render/load.h"
#include "support/image_builder.h"
#include "support/trace_capture.h"

namespace qvx::test {
namespace {

namespace fs = std::filesystem;

struct Sample {
    std::string name;
    ImageBuilder image;
};

std::vector<Sample> samples() {
    std::vector<Sample> out;
    for (DiskType type : kEveryType) {
        for (bool errorBytes : {false, true}) {
            out.push_back({"well-formed " + shortName(type) + (errorBytes ? " with errors" : ""),
                           wellFormedImage(type, errorBytes)});
            for (std::uint8_t fill : {std::uint8_t{0x00}, std::uint8_t{0xFF}})
                out.push_back(
                    {filledName(type, errorBytes, fill), filledImage(type, errorBytes, fill)});
        }
    }
    for (ChainCase& c : brokenChains()) out.push_back({c.name, std::move(c.image)});
    for (BamRangeCase& c : oddBamRanges()) out.push_back({c.name, std::move(c.image)});
    ImageBuilder oneTooMany(kTypeD64);
    oneTooMany.bytes().push_back(0);
    out.push_back({"one byte more than a D64", std::move(oneTooMany)});
    ImageBuilder cut(kTypeD81, true);
    cut.bytes().resize(1000);
    out.push_back({"the first 1000 bytes of a D81", std::move(cut)});
    return out;
}

// Descriptors of this process that refer to the file.
int descriptorsOn(const fs::path& file) {
    const fs::path target = fs::canonical(file);
    int n = 0;
    for (const fs::directory_entry& fd : fs::directory_iterator("/proc/self/fd")) {
        std::error_code ec;
        if (fs::read_symlink(fd.path(), ec) == target) ++n;
    }
    return n;
}

std::set<std::string> folderContents(const fs::path& folder) {
    std::set<std::string> names;
    for (const fs::directory_entry& e : fs::directory_iterator(folder))
        names.insert(e.path().filename().string());
    return names;
}

std::vector<std::uint8_t> contents(const fs::path& file) {
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(fs::file_size(file)));
    ImageFile in(u16path(file.u8string()));
    bytes.resize(in.read(bytes.data(), bytes.size()));
    return bytes;
}

TEST(Untouched, NoImageIsWrittenOrKeptOpen) {
    for (Sample& s : samples()) {
        SCOPED_TRACE(s.name);
        const std::string name = "image." + extensionOf(s.image.type());
        const fs::path file = fs::u8path(s.image.write(scratchDir() + "/" + name));
        // Dated in the past, so that a write would move the time.
        const auto past = fs::last_write_time(file) - std::chrono::hours(24 * 400);
        fs::last_write_time(file, past);
        const std::set<std::string> folder = folderContents(file.parent_path());
        ASSERT_EQ(descriptorsOn(file), 0);

        std::vector<int> openWhileReading;
        DiskType type = kTypeUnknown;
        {
            ScopedFileObserver observer({nullptr, [&](std::size_t, std::size_t) {
                                             openWhileReading.push_back(descriptorsOn(file));
                                         }});
            TraceCapture trace;
            DiskImage image;
            loadImage(u16path(file.u8string()), image);
            setupString(image, 1);
            setupString(image, 0);
            type = image.type;
        }
        // Only a file of a known type is read from.
        EXPECT_EQ(openWhileReading.empty(), type == kTypeUnknown);
        EXPECT_EQ(openWhileReading, std::vector<int>(openWhileReading.size(), 1));
        EXPECT_EQ(descriptorsOn(file), 0);
        EXPECT_EQ(fs::last_write_time(file), past);
        EXPECT_EQ(contents(file), s.image.bytes());
        EXPECT_EQ(folderContents(file.parent_path()), folder);
    }
}

}  // namespace
}  // namespace qvx::test
