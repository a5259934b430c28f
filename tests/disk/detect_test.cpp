// Type detection: file sizes, extension rules and the DOS variant of a 40-track header sector.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "base/text.h"
#include "disk/detect.h"
#include "support/image_builder.h"
#include "support/trace_capture.h"

namespace qvx {
namespace {

using test::TraceCapture;
using Lines = std::vector<std::u16string>;

const std::u16string kNotSupported = u"setType - disk file not supprted";
const std::u16string kWrongExtension = u"setType - file type not supprted";

struct Detected {
    DiskType type;
    std::uint8_t hasErrorBytes;
    Lines lines;
    std::vector<Problem> problems;
};

// Runs setType on a record that starts out holding a different type, as a reused one would.
Detected detect(const std::string& path) {
    TraceCapture trace;
    DiskImage image;
    image.type = kTypeD82;
    image.hasErrorBytes = 1;
    setType(test::u16path(path), image);
    return {image.type, image.hasErrorBytes, trace.lines, image.problems};
}

TEST(SetType, EachValidSizeGivesItsType) {
    struct Case {
        std::uint64_t size;
        DiskType type;
        std::uint8_t errorBytes;
    };
    const Case cases[] = {
        {174848, kTypeD64, 0},    {175531, kTypeD64, 1},  {196608, kTypeD64x40, 0},
        {197376, kTypeD64x40, 1}, {349696, kTypeD71, 0},  {351062, kTypeD71, 1},
        {533248, kTypeD80, 0},    {535331, kTypeD80, 1},  {819200, kTypeD81, 0},
        {822400, kTypeD81, 1},    {1066496, kTypeD82, 0}, {1070662, kTypeD82, 1},
    };
    std::string dir = test::scratchDir();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.size);
        Detected d = detect(test::sizedFile(dir + "/image.d64", c.size));
        EXPECT_EQ(d.type, c.type);
        EXPECT_EQ(d.hasErrorBytes, c.errorBytes);
        EXPECT_EQ(d.lines, Lines{});
    }
}

TEST(SetType, SizesNextToValidOnesAreRejected) {
    std::string dir = test::scratchDir();
    for (const DiskFormat& f : kDiskFormats) {
        for (std::uint64_t valid : {f.totalSectors * 256ull, f.totalSectors * 257ull}) {
            for (std::uint64_t size : {valid - 1, valid + 1}) {
                SCOPED_TRACE(size);
                Detected d = detect(test::sizedFile(dir + "/image.d64", size));
                EXPECT_EQ(d.type, kTypeUnknown);
                EXPECT_EQ(d.hasErrorBytes, 0);
                EXPECT_EQ(d.lines, Lines{kNotSupported});
            }
        }
    }
}

TEST(SetType, FilesWithoutAValidSizeAreRejected) {
    std::string dir = test::scratchDir();
    std::filesystem::create_directory(std::filesystem::u8path(dir + "/folder.d64"));
    constexpr std::int64_t kHuge = (std::int64_t{1} << 32) + 174848;
    const std::pair<std::string, Problem> cases[] = {
        {test::sizedFile(dir + "/empty.d64", 0),
         {ProblemCode::UnsupportedSize, ProblemSource::Type, -1, -1, 0}},
        {dir + "/missing.d64", {ProblemCode::NotAFile, ProblemSource::Type}},
        {dir + "/folder.d64", {ProblemCode::NotAFile, ProblemSource::Type}},
        // The low 32 bits are those of a D64: the comparison must take all 64.
        {test::sizedFile(dir + "/huge.d64", kHuge),
         {ProblemCode::UnsupportedSize, ProblemSource::Type, -1, -1, kHuge}},
    };
    for (const auto& [path, problem] : cases) {
        SCOPED_TRACE(path);
        Detected d = detect(path);
        EXPECT_EQ(d.type, kTypeUnknown);
        EXPECT_EQ(d.hasErrorBytes, 0);
        EXPECT_EQ(d.lines, Lines{kNotSupported});
        EXPECT_EQ(d.problems, std::vector<Problem>{problem});
    }
}

// Only the first letter of the extension counts, and the size alone picks the type.
TEST(SetType, ExtensionRules) {
    struct Case {
        const char* name;
        std::uint64_t size;
        DiskType type;
        Lines lines;
    };
    const Case cases[] = {
        {"game.d64", 174848, kTypeD64, {}},
        {"game.D64", 174848, kTypeD64, {}},
        {"game.dat", 819200, kTypeD81, {}},
        {"game.d64", 819200, kTypeD81, {}},
        {"game.d81", 174848, kTypeD64, {}},
        {"game.d", 349696, kTypeD71, {}},
        {"game.prg", 174848, kTypeUnknown, {kWrongExtension}},
        {"game.prg", 1, kTypeUnknown, {kWrongExtension}},
        {"game.e64", 174848, kTypeUnknown, {kWrongExtension}},
        {"game", 174848, kTypeUnknown, {kWrongExtension}},
        {"my.dir/game", 174848, kTypeUnknown, {kWrongExtension}},
        // On Windows a folder separator, elsewhere part of the file's name: no extension either
        // way.
        {"my.dir\\game", 174848, kTypeUnknown, {kWrongExtension}},
        {".d64", 174848, kTypeUnknown, {kWrongExtension}},
        {"game.d 64", 174848, kTypeUnknown, {kWrongExtension}},
        {"game.", 174848, kTypeUnknown, {kWrongExtension}},
        {"game.x.d64", 174848, kTypeD64, {}},
        {"game.d64.prg", 174848, kTypeUnknown, {kWrongExtension}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string dir = test::scratchDir();
        std::filesystem::create_directory(std::filesystem::u8path(dir + "/my.dir"));
        Detected d = detect(test::sizedFile(dir + "/" + c.name, c.size));
        EXPECT_EQ(d.type, c.type);
        EXPECT_EQ(d.hasErrorBytes, 0);
        EXPECT_EQ(d.lines, c.lines);
        EXPECT_EQ(d.problems.size(), c.lines.size());
        if (!c.lines.empty()) EXPECT_EQ(d.problems.front().code, ProblemCode::UnsupportedExtension);
    }
}

// The extension is tested before the size: a missing file with the wrong one says so.
TEST(SetType, WrongExtensionOfAMissingFile) {
    Detected d = detect(test::scratchDir() + "/missing.prg");
    EXPECT_EQ(d.type, kTypeUnknown);
    EXPECT_EQ(d.lines, Lines{kWrongExtension});
}

TEST(FileExtension, TextAfterTheLastDotOfTheName) {
    struct Case {
        const char16_t* path;
        const char16_t* extension;
    };
    const Case cases[] = {
        {u"game.d64", u"d64"},
        {u"C:\\disks\\Game.D81", u"D81"},
        {u"/home/me/a.b.c", u"c"},
        {u"game.", u""},
        {u"game", u""},
        {u"", u""},
        {u".d64", u""},
        {u"/disks/.d64", u""},
        {u"C:\\disks\\.d64", u""},
        {u"C:\\my.dir\\game", u""},
        {u"/my.dir/game", u""},
        {u"game.d 64", u""},
        {u"my disks/game.d64", u"d64"},
        {u"x.d", u"d"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(toUtf8(c.path));
        EXPECT_EQ(fileExtension(c.path), c.extension);
    }
}

TEST(SetSubType, TheTwoBamAreasDecide) {
    struct Case {
        const char* what;
        std::vector<std::size_t> nonZero;
        DiskSubType subType;
        Lines lines;
    };
    const std::u16string dolphin = u"setSubType: Dolphin = true";
    const std::u16string speed = u"setSubType: Speed = true";
    const Case cases[] = {
        {"nothing", {}, kSubTypeNone, {}},
        {"0xBF only", {0xBF}, kSubTypeDolphin, {dolphin}},
        {"0xAC only", {0xAC}, kSubTypeDolphin, {dolphin}},
        {"0xC0 only", {0xC0}, kSubTypeSpeed, {speed}},
        {"0xD3 only", {0xD3}, kSubTypeSpeed, {speed}},
        {"both areas", {0xBF, 0xC0}, kSubTypeNone, {dolphin, speed}},
        {"both areas, many bytes",
         {0xAC, 0xB0, 0xBF, 0xC0, 0xC8, 0xD3},
         kSubTypeNone,
         {dolphin, speed}},
        {"many Dolphin bytes, one line", {0xAC, 0xAD, 0xBE}, kSubTypeDolphin, {dolphin}},
        {"many SpeedDOS bytes, one line", {0xC1, 0xD0, 0xD2}, kSubTypeSpeed, {speed}},
        {"just before the Dolphin area", {0xAB}, kSubTypeNone, {}},
        {"just after the SpeedDOS area", {0xD4}, kSubTypeNone, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::array<std::uint8_t, kSectorSize> header{};
        for (std::size_t i : c.nonZero) header[i] = 0x11;
        TraceCapture trace;
        EXPECT_EQ(setSubType(header), c.subType);
        EXPECT_EQ(trace.lines, c.lines);
    }
}

// A full 35-track BAM, disk name and ID around the two areas do not count.
TEST(SetSubType, BytesOutsideTheAreasDoNotCount) {
    std::array<std::uint8_t, kSectorSize> header;
    header.fill(0xFF);
    for (std::size_t i = 0xAC; i <= 0xD3; ++i) header[i] = 0;
    TraceCapture trace;
    EXPECT_EQ(setSubType(header), kSubTypeNone);
    EXPECT_EQ(trace.lines, Lines{});
}

}  // namespace
}  // namespace qvx
