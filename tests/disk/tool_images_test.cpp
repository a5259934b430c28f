// The directory reader against images written by cc1541, cbmconvert and floptool: it must list
// what the tools wrote, as cc1541 prints it back.
#include <gtest/gtest.h>

#include <cctype>
#include <ostream>
#include <set>
#include <string>

#include "base/text.h"
#include "disk/detect.h"
#include "disk/directory.h"
#include "render/listing.h"
#include "render/load.h"
#include "render/petscii.h"
#include "support/image_builder.h"
#include "support/tool_images.h"
#include "support/trace_capture.h"

namespace qvx {
namespace test {
// Keeps GoogleTest from dumping the whole record as bytes.
void PrintTo(const ToolImage& image, std::ostream* out) {
    *out << image.fileName;
}
}  // namespace test

namespace {

using test::ToolImage;

std::string text(const std::array<std::uint8_t, 3>& letters) {
    return std::string(letters.begin(), letters.end());
}

// The type word the fixture's type bytes stand for (the fixture uses no byte whose low bits
// cc1541 and QVX would read differently).
std::string typeWord(std::uint8_t typeByte) {
    static const char* const words[] = {"DEL", "SEQ", "PRG", "USR", "REL", "CBM"};
    int index = typeByte & 0x3F;
    return index <= 5 ? words[index] : "???";
}

TEST(ToolImages, FixtureHoldsTheImagesOfBothTools) {
    struct Expected {
        const char* fileName;
        const char* tool;
        DiskType type;
        DiskSubType subType;
    };
    const Expected expected[] = {
        {"cc1541-35.d64", "cc1541", kTypeD64, kSubTypeNone},
        {"cc1541-40-speed.d64", "cc1541", kTypeD64x40, kSubTypeSpeed},
        {"cc1541-40-dolphin.d64", "cc1541", kTypeD64x40, kSubTypeDolphin},
        {"cc1541.d71", "cc1541", kTypeD71, kSubTypeNone},
        {"cc1541.d81", "cc1541", kTypeD81, kSubTypeNone},
        {"cbmconvert.d64", "cbmconvert", kTypeD64, kSubTypeNone},
        {"cbmconvert.d71", "cbmconvert", kTypeD71, kSubTypeNone},
        {"cbmconvert.d81", "cbmconvert", kTypeD81, kSubTypeNone},
        {"cc1541-35.g64", "cc1541", kTypeD64, kSubTypeNone},
        {"floptool-35.g64", "floptool", kTypeD64, kSubTypeNone},
        {"floptool-40-speed.g64", "floptool", kTypeD64x40, kSubTypeSpeed},
        {"floptool-cbmconvert.g64", "floptool", kTypeD64, kSubTypeNone},
        {"geos.d64", "cbmconvert", kTypeD64, kSubTypeNone},
        {"geos.d81", "cbmconvert", kTypeD81, kSubTypeNone},
    };
    ASSERT_EQ(test::toolImages().size(), std::size(expected))
        << "fixture folder: " << test::toolImagesDir();
    for (const Expected& e : expected) {
        SCOPED_TRACE(e.fileName);
        const ToolImage* image = test::findToolImage(e.fileName);
        ASSERT_NE(image, nullptr);
        EXPECT_EQ(image->error, "");
        EXPECT_EQ(image->tool, e.tool);
        EXPECT_EQ(image->type, e.type);
        EXPECT_EQ(image->subType, e.subType);
        // cbmconvert names the disk itself, also for the G64 made from its D64.
        EXPECT_EQ(image->headerRequested, image->fileName.find("cbmconvert") == std::string::npos &&
                                              image->tool != "cbmconvert");
        EXPECT_NE(image->listingUpper.find("BLOCKS FREE."), std::string::npos);
        EXPECT_NE(image->listingLower.find("blocks free."), std::string::npos);
    }
}

// What the tests below rely on: every type word, long and odd names, both flags, and
// directories longer than one sector.
TEST(ToolImages, FixtureCoversTheCasesItIsFor) {
    std::set<std::string> types;
    bool sixteen = false, oneChar = false, punctuation = false, locked = false, open = false;
    bool highBlockCount = false, longDirectory = false;
    for (const ToolImage& image : test::toolImages()) {
        for (const test::ToolFile& f : image.files) {
            types.insert(f.type);
            sixteen |= f.name.size() == 16;
            oneChar |= f.name.size() == 1;
            for (std::uint8_t b : f.name)
                punctuation |= (b >= 0x21 && b <= 0x2F) || (b >= 0x3A && b <= 0x40);
            locked |= f.locked;
            open |= f.open;
            highBlockCount |= f.blocks > 255;
        }
        longDirectory |= image.files.size() > 16;
    }
    EXPECT_EQ(types, (std::set<std::string>{"DEL", "SEQ", "PRG", "USR", "REL", "???"}));
    EXPECT_TRUE(sixteen && oneChar && punctuation);
    EXPECT_TRUE(locked && open);
    EXPECT_TRUE(highBlockCount && longDirectory);
}

class ToolImageTest : public ::testing::TestWithParam<ToolImage> {};

// The tools must have written what they were asked to: else the comparisons below prove little.
TEST_P(ToolImageTest, ToolWroteWhatItWasAsked) {
    const ToolImage& image = GetParam();
    ASSERT_EQ(image.error, "");
    if (image.headerRequested) {
        EXPECT_EQ(image.diskName, image.requestedDiskName);
        EXPECT_EQ(image.id, image.requestedId);
        EXPECT_EQ(image.dosType, image.requestedDosType);
    }
    std::vector<test::RequestedFile> listed;
    for (const test::RequestedFile& r : image.requested)
        if (r.typeByte != 0) listed.push_back(r);  // scratched slots are not printed
    ASSERT_EQ(image.files.size(), listed.size());
    for (std::size_t i = 0; i < listed.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(image.files[i].name, listed[i].name);
        EXPECT_EQ(image.files[i].type, typeWord(listed[i].typeByte));
        EXPECT_EQ(image.files[i].locked, (listed[i].typeByte & 0x40) != 0);
        EXPECT_EQ(image.files[i].open, (listed[i].typeByte & 0x80) == 0);
    }
}

TEST_P(ToolImageTest, ReaderListsWhatTheToolPrinted) {
    const ToolImage& image = GetParam();
    ASSERT_EQ(image.error, "");
    test::TraceCapture trace;
    DiskImage disk;
    getDirEntries(test::u16path(image.path), disk);

    EXPECT_EQ(disk.type, image.type);
    EXPECT_EQ(disk.subType, image.subType);
    EXPECT_EQ(disk.hasErrorBytes, image.d64Path.empty() ? 0 : 1);  // a G64's read codes
    ASSERT_EQ(disk.dirEntries.size(), image.files.size() + 1);

    const DirEntry& header = disk.dirEntries[0];
    EXPECT_EQ(header.name, image.diskName);
    EXPECT_EQ(header.id, image.id);
    EXPECT_EQ(header.dosType, image.dosType);
    EXPECT_EQ(header.blocks, 0);

    for (std::size_t i = 0; i < image.files.size(); ++i) {
        const test::ToolFile& printed = image.files[i];
        const DirEntry& entry = disk.dirEntries[i + 1];
        SCOPED_TRACE(std::to_string(i + 1) + ": " +
                     std::string(printed.name.begin(), printed.name.end()));
        EXPECT_EQ(entry.name, test::padName(printed.name));
        EXPECT_EQ(entry.blocks, printed.blocks);
        EXPECT_EQ(text(entry.fileType), printed.type);
        EXPECT_EQ(entry.locked, printed.locked ? 1 : 0);
        EXPECT_EQ(entry.closed, printed.open ? 0 : 1);
        EXPECT_EQ(entry.id, (std::array<std::uint8_t, 2>{}));
    }
}

TEST_P(ToolImageTest, TraceShowsOnlyTheWalk) {
    const ToolImage& image = GetParam();
    ASSERT_EQ(image.error, "");
    test::TraceCapture trace;
    DiskImage disk;
    getDirEntries(test::u16path(image.path), disk);

    std::vector<std::u16string> expected;
    if (!image.d64Path.empty())
        expected.push_back(u"readG64 - " + decimal(kDiskFormats[image.type].trackCount) +
                           u" tracks, 0 of " + decimal(kDiskFormats[image.type].totalSectors) +
                           u" sectors with errors");
    expected.push_back(u"getDirEntries - type is <" + fileExtension(test::u16path(image.fileName)) +
                       u">\n");
    if (image.subType == kSubTypeDolphin) expected.push_back(u"setSubType: Dolphin = true");
    if (image.subType == kSubTypeSpeed) expected.push_back(u"setSubType: Speed = true");
    ASSERT_EQ(trace.lines.size(), expected.size() + image.files.size());
    EXPECT_EQ(
        std::vector<std::u16string>(trace.lines.begin(), trace.lines.begin() + expected.size()),
        expected);
    // The walk starts at the type's first directory sector and reads each sector once.
    const std::u16string reading = u"getDirEntries - reading dir sector ";
    EXPECT_EQ(trace.lines[expected.size()],
              reading + decimal(kDiskFormats[image.type].firstDirSector) + u", entry 1");
    std::set<std::u16string> seen;
    for (std::size_t i = expected.size(); i < trace.lines.size(); ++i) {
        ASSERT_EQ(trace.lines[i].rfind(reading, 0), 0u) << toUtf8(trace.lines[i]);
        EXPECT_TRUE(seen.insert(trace.lines[i]).second) << toUtf8(trace.lines[i]);
    }
}

// A G64 lists as the D64 that holds its sectors, apart from the type and error lines, with every
// sector read fine.
TEST(ToolImages, G64ListsAsItsD64) {
    int g64s = 0;
    for (const ToolImage& image : test::toolImages()) {
        if (image.d64Path.empty()) continue;
        SCOPED_TRACE(image.fileName);
        ++g64s;
        test::TraceCapture trace;
        DiskImage g64, d64;
        const std::u16string listing = loadImage(test::u16path(image.path), g64);
        const std::u16string expected = loadImage(test::u16path(image.d64Path), d64);
        ASSERT_FALSE(expected.empty());
        auto withoutLastTwoLines = [](const std::u16string& text) {
            return text.substr(0, text.rfind(u'\r', text.rfind(u'\r', text.size() - 2) - 1));
        };
        EXPECT_EQ(withoutLastTwoLines(listing), withoutLastTwoLines(expected));
        EXPECT_EQ(withoutLastTwoLines(setupString(g64, 1)),
                  withoutLastTwoLines(setupString(d64, 1)));
        EXPECT_EQ(g64.bamMapText, d64.bamMapText);
        const std::u16string tail =
            petsciiToFont(image.type == kTypeD64 ? u"DISK TYPE: G64 35-TRACK "
                                                 : u"DISK TYPE: G64 40-TRACK (SPEED)",
                          0, 0) +
            u"\r" + petsciiToFont(u"ERROR INFO: NO ERRORS", 0, 0) + u"\r";
        ASSERT_GT(listing.size(), tail.size());
        EXPECT_EQ(listing.substr(listing.size() - tail.size()), tail);
        EXPECT_EQ(g64.errorBytes,
                  std::vector<std::uint8_t>(kDiskFormats[image.type].totalSectors, 1));
    }
    EXPECT_EQ(g64s, 4);
}

std::string testName(const ::testing::TestParamInfo<ToolImage>& info) {
    std::string name;
    for (char c : info.param.fileName)
        name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    return name;
}

INSTANTIATE_TEST_SUITE_P(Tools, ToolImageTest, ::testing::ValuesIn(test::toolImages()), testName);

}  // namespace
}  // namespace qvx
