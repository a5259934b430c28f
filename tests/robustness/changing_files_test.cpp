// Files that change between the size test and the reads: cut short, grown, removed or replaced
// at the open of each reader in turn, through the whole load.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "base/text.h"
#include "render/load.h"
#include "support/image_builder.h"
#include "support/trace_capture.h"

namespace qvx::test {
namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::u16string>;

// The opens of one load of an image with error bytes, in order.
enum Reader { kDirectory = 1, kBam = 2, kErrors = 3 };

constexpr std::uint64_t kD64 = 174848;
constexpr std::uint64_t kD64WithErrors = 175531;
constexpr std::uint64_t kHeader = 0x16500;  // track 18 sector 0
constexpr std::size_t kErrorCount = 683;

void appendBytes(const std::string& path, std::size_t count, std::uint8_t value) {
    std::vector<std::uint8_t> bytes = test::readFile(path);
    bytes.insert(bytes.end(), count, value);
    writeFile(path, bytes);
}

struct Change {
    const char* what;
    Reader at;
    std::function<void(const std::string& path)> change;
    // Lines after the type line; "@" stands for the file name.
    std::vector<std::u16string> lines;
    std::size_t entries;
    std::size_t tracks;
    bool errorsFromTail;  // the error bytes are the changed file's last 683, else zeros
};

std::u16string named(const std::u16string& line, const std::u16string& name) {
    std::u16string out = line;
    const std::size_t at = out.find(u'@');
    if (at != std::u16string::npos) out.replace(at, 1, u"<" + name + u">");
    return out;
}

const std::u16string kRead1 = u"getDirEntries - reading dir sector 1, entry 1";
const std::u16string kRead10 = u"getDirEntries - reading dir sector 10, entry 1";
const std::u16string kDirReadError = u"getDirEntries - can't read from file @\n";
const std::u16string kErrorsRead = u"getErrorData - 683 error bytes successfully read.";

std::vector<Change> changes() {
    auto cut = [](std::uint64_t size) {
        return [size](const std::string& p) { fs::resize_file(fs::u8path(p), size); };
    };
    auto grow = [](std::size_t by) {
        return [by](const std::string& p) { appendBytes(p, by, 0x5C); };
    };
    auto removed = [](const std::string& p) { fs::remove(fs::u8path(p)); };
    auto fifo = [](const std::string& p) {
        fs::remove(fs::u8path(p));
        ::mkfifo(p.c_str(), 0644);
    };
    const std::u16string bamOpen = u"getBAMEntries - can't open file @\n";
    const std::u16string errorsOpen = u"getErrorData - can't open file @";
    return {
        {"cut to the header sector at the directory's open",
         kDirectory,
         cut(kHeader + 256),
         {kDirReadError, kErrorsRead},
         1,
         35,
         true},
        {"cut before the second directory sector at the directory's open",
         kDirectory,
         cut(kHeader + 5 * 256),
         {kRead1, kDirReadError, kErrorsRead},
         2,
         35,
         true},
        {"cut before the BAM at the BAM's open",
         kBam,
         cut(kHeader - 1),
         {kRead1, kRead10, u"getBAMEntries - can't read from file @", kErrorsRead},
         3,
         0,
         true},
        {"cut to the size without error bytes at the error reader's open",
         kErrors,
         cut(kD64),
         {kRead1, kRead10, kErrorsRead},
         3,
         35,
         true},
        {"cut below the error bytes' count at the error reader's open",
         kErrors,
         cut(kErrorCount - 1),
         {kRead1, kRead10, u"getErrorData - read error"},
         3,
         35,
         false},
        {"grown to twice its size at the directory's open",
         kDirectory,
         grow(kD64WithErrors),
         {kRead1, kRead10, kErrorsRead},
         3,
         35,
         true},
        {"grown by one byte at the error reader's open",
         kErrors,
         grow(1),
         {kRead1, kRead10, kErrorsRead},
         3,
         35,
         true},
        {"removed at the directory's open",
         kDirectory,
         removed,
         {u"getDirEntries - can't open file @\n", bamOpen, errorsOpen, u"setupString - empty list"},
         0,
         0,
         false},
        {"replaced by a FIFO at the BAM's open",
         kBam,
         fifo,
         {kRead1, kRead10, bamOpen, errorsOpen},
         3,
         0,
         false},
    };
}

TEST(ChangingFile, EachReaderCopesWithWhatItFinds) {
    for (const Change& c : changes()) {
        SCOPED_TRACE(c.what);
        ImageBuilder b(kTypeD64, true);
        b.header("CHANGING", "CH", "2A").dirLink(1, 18, 10).dirLink(10, 0, 0xFF);
        b.slot(1, 1, 0x82, "ONE", 1).slot(10, 1, 0x82, "TEN", 10);
        for (std::size_t i = 0; i < kErrorCount; ++i)
            b.errorByte(i, static_cast<std::uint8_t>(i * 7 + 1));
        const std::string path = b.write(scratchDir() + "/changing.d64");
        const std::u16string name = u16path(path);

        int opens = 0;
        std::vector<std::uint8_t> afterChange;
        DiskImage image;
        std::u16string listing;
        TraceCapture trace;
        {
            ScopedFileObserver observer({[&](const std::u16string&) {
                if (++opens != c.at) return;
                c.change(path);
                if (c.errorsFromTail) afterChange = test::readFile(path);
            }});
            listing = loadImage(name, image);
        }
        EXPECT_EQ(opens, 3);

        Lines expected = {u"getDirEntries - type is <d64>\n"};
        for (const std::u16string& line : c.lines) expected.push_back(named(line, name));
        EXPECT_EQ(trace.lines, expected);
        EXPECT_EQ(image.type, kTypeD64);
        EXPECT_EQ(image.hasErrorBytes, 1);
        EXPECT_EQ(image.dirEntries.size(), c.entries);
        EXPECT_EQ(image.bamTracks.size(), c.tracks);
        EXPECT_EQ(listing.empty(), c.entries == 0);
        ASSERT_EQ(image.errorBytes.size(), kErrorCount);
        if (c.errorsFromTail) {
            ASSERT_GE(afterChange.size(), kErrorCount);
            EXPECT_TRUE(std::equal(image.errorBytes.begin(), image.errorBytes.end(),
                                   afterChange.end() - kErrorCount));
        } else {
            EXPECT_EQ(image.errorBytes, std::vector<std::uint8_t>(kErrorCount, 0));
        }
        // The error map is drawn whatever the reads gave: three header lines and 35 tracks.
        EXPECT_EQ(std::count(image.errorMapText.begin(), image.errorMapText.end(), u'\r'), 38);
    }
}

}  // namespace
}  // namespace qvx::test
