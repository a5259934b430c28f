// The directory reader on built images: header record, slots, the chain walk and its failures.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "base/text.h"
#include "disk/directory.h"
#include "support/image_builder.h"
#include "support/image_kinds.h"
#include "support/trace_capture.h"

namespace qvx {
namespace {

namespace fs = std::filesystem;
using test::ImageBuilder;
using test::TraceCapture;
using Lines = std::vector<std::u16string>;

struct Listing {
    DiskImage image;
    Lines lines;
    int opens = 0;
    int reads = 0;
};

// Runs the reader, counting file opens and reads; onOpen, when given, runs at the open.
Listing readDir(const std::string& path, std::function<void()> onOpen = nullptr) {
    Listing out;
    test::ScopedFileObserver observer({[&](const std::u16string&) {
                                           ++out.opens;
                                           if (onOpen) onOpen();
                                       },
                                       [&](std::size_t, std::size_t) { ++out.reads; }});
    TraceCapture trace;
    getDirEntries(test::u16path(path), out.image);
    out.lines = trace.lines;
    return out;
}

std::u16string typeLine(const std::string& extension) {
    return u"getDirEntries - type is <" + fromUtf8(extension) + u">\n";
}

std::u16string readingLine(int sector, int entry) {
    return u"getDirEntries - reading dir sector " + decimal(sector) + u", entry " + decimal(entry);
}

std::u16string readErrorLine(const std::string& path) {
    return u"getDirEntries - can't read from file <" + test::u16path(path) + u">\n";
}

DirEntry fileEntry(std::string_view name, std::uint16_t blocks, const char* type,
                   std::uint8_t locked, std::uint8_t closed) {
    DirEntry e;
    std::vector<std::uint8_t> padded = test::paddedName(name);
    std::copy(padded.begin(), padded.end(), e.name.begin());
    e.blocks = blocks;
    std::copy_n(type, 3, e.fileType.begin());
    e.locked = locked;
    e.closed = closed;
    return e;
}

DirEntry headerEntry(std::string_view name, std::string_view id, std::string_view dosType) {
    DirEntry e;
    std::vector<std::uint8_t> padded = test::paddedName(name);
    std::copy(padded.begin(), padded.end(), e.name.begin());
    std::copy_n(id.begin(), 2, e.id.begin());
    std::copy_n(dosType.begin(), 2, e.dosType.begin());
    return e;
}

std::string describe(const DirEntry& e) {
    std::string s = "\"" + std::string(e.name.begin(), e.name.end()) + "\" " +
                    std::to_string(e.blocks) + " " +
                    std::string(e.fileType.begin(), e.fileType.end()) + " id " +
                    std::string(e.id.begin(), e.id.end()) + " dos " +
                    std::string(e.dosType.begin(), e.dosType.end());
    return s + " locked " + std::to_string(e.locked) + " closed " + std::to_string(e.closed);
}

bool same(const DirEntry& a, const DirEntry& b) {
    return a.name == b.name && a.blocks == b.blocks && a.fileType == b.fileType && a.id == b.id &&
           a.dosType == b.dosType && a.locked == b.locked && a.closed == b.closed;
}

void expectEntries(const std::vector<DirEntry>& actual, const std::vector<DirEntry>& expected) {
    ASSERT_EQ(actual.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i)
        EXPECT_TRUE(same(actual[i], expected[i]))
            << "entry " << i << "\n  actual:   " << describe(actual[i])
            << "\n  expected: " << describe(expected[i]);
}

TEST(GetFileType, TypeNameAndFlagsFromTheTypeByte) {
    struct Case {
        std::uint8_t typeByte;
        const char* name;
        std::uint8_t locked;
        std::uint8_t closed;
    };
    const Case cases[] = {
        {0x82, "PRG", 0, 1}, {0x02, "PRG", 0, 0}, {0xC1, "SEQ", 1, 1}, {0x80, "DEL", 0, 1},
        {0x86, "???", 0, 1}, {0xA2, "???", 0, 1}, {0x83, "USR", 0, 1}, {0x84, "REL", 0, 1},
        {0x45, "CBM", 1, 0}, {0x3F, "???", 0, 0}, {0xFF, "???", 1, 1}, {0x40, "DEL", 1, 0},
        {0x01, "SEQ", 0, 0}, {0x07, "???", 0, 0}, {0x85, "CBM", 0, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.typeByte));
        DirEntry entry;
        entry.locked = 1 - c.locked;  // the flags are set either way, not only raised
        entry.closed = 1 - c.closed;
        EXPECT_STREQ(kFileTypeNames[getFileType(c.typeByte, entry)], c.name);
        EXPECT_EQ(entry.locked, c.locked);
        EXPECT_EQ(entry.closed, c.closed);
    }
}

class EveryType : public ::testing::TestWithParam<std::tuple<DiskType, bool>> {
  protected:
    const DiskType type = std::get<0>(GetParam());
    const bool errorBytes = std::get<1>(GetParam());
    const std::string extension = test::extensionOf(type);
};

// Every header byte differs from its neighbours, so a field taken from a wrong offset shows.
TEST_P(EveryType, HeaderRecordFromTheTypesOffsets) {
    const DiskFormat& f = kDiskFormats[type];
    ImageBuilder b(type, errorBytes);
    std::vector<std::uint8_t> pattern(kSectorSize);
    for (std::size_t i = 0; i < pattern.size(); ++i) pattern[i] = static_cast<std::uint8_t>(i + 1);
    b.put(f.dirTrack, 0, 0, pattern);
    std::string path = b.write(test::scratchDir() + "/header." + extension);

    Listing got = readDir(path);
    EXPECT_EQ(got.image.type, type);
    EXPECT_EQ(got.image.hasErrorBytes, errorBytes ? 1 : 0);
    DirEntry header;
    std::copy_n(pattern.begin() + f.nameOffset, 16, header.name.begin());
    std::copy_n(pattern.begin() + f.idOffset, 2, header.id.begin());
    std::copy_n(pattern.begin() + f.dosTypeOffset, 2, header.dosType.begin());
    expectEntries(got.image.dirEntries, {header});

    Lines lines = {typeLine(extension)};
    if (type == kTypeD64x40) {  // the pattern fills both 40-track BAM areas
        lines.push_back(u"setSubType: Dolphin = true");
        lines.push_back(u"setSubType: Speed = true");
    }
    EXPECT_EQ(got.lines, lines);
    EXPECT_EQ(got.image.subType, kSubTypeNone);
}

// A chain of three sectors from the type's first directory sector, slots of every kind.
TEST_P(EveryType, ChainAcrossSectors) {
    const DiskFormat& f = kDiskFormats[type];
    const int first = f.firstDirSector;
    ImageBuilder b(type, errorBytes);
    b.header("chain disk", "ab", "2a");
    b.dirLink(first, f.dirTrack, 10).dirLink(10, f.dirTrack, 4);
    b.slot(first, 1, 0x82, "first prg", 0x1234)
        .slot(first, 2, 0x02, "unclosed", 1)
        .slot(first, 3, 0x00, "scratched", 99)
        .slot(first, 4, 0xC1, "locked seq", 258)
        .slot(first, 8, 0x80, "del", 0);
    b.slot(10, 1, 0x86, "six", 65535).slot(10, 8, 0xA2, "sixteen chars 16", 256);
    b.slot(4, 5, 0x83, "usr", 7).slot(4, 6, 0x84, "rel", 300).slot(4, 7, 0x45, "cbm", 5);
    // Slot bytes that are not read: the name must be taken from bytes 5 to 20 exactly.
    const std::size_t slot1 = f.headerOffset + kSectorSize * first;
    b.putAt(slot1 + 3, {0xEE, 0xEE}).putAt(slot1 + 21, std::vector<std::uint8_t>(9, 0xEE));
    std::string path = b.write(test::scratchDir() + "/chain." + extension);

    Listing got = readDir(path);
    EXPECT_EQ(got.image.type, type);
    EXPECT_EQ(got.image.subType, kSubTypeNone);
    expectEntries(got.image.dirEntries, {
                                            headerEntry("chain disk", "ab", "2a"),
                                            fileEntry("first prg", 0x1234, "PRG", 0, 1),
                                            fileEntry("unclosed", 1, "PRG", 0, 0),
                                            fileEntry("locked seq", 258, "SEQ", 1, 1),
                                            fileEntry("del", 0, "DEL", 0, 1),
                                            fileEntry("six", 65535, "???", 0, 1),
                                            fileEntry("sixteen chars 16", 256, "???", 0, 1),
                                            fileEntry("usr", 7, "USR", 0, 1),
                                            fileEntry("rel", 300, "REL", 0, 1),
                                            fileEntry("cbm", 5, "CBM", 1, 0),
                                        });
    EXPECT_EQ(got.lines, (Lines{
                             typeLine(extension),
                             readingLine(first, 1),
                             readingLine(first, 2),
                             readingLine(first, 4),
                             readingLine(first, 8),
                             readingLine(10, 1),
                             readingLine(10, 8),
                             readingLine(4, 5),
                             readingLine(4, 6),
                             readingLine(4, 7),
                         }));
    EXPECT_EQ(got.opens, 1);
    EXPECT_EQ(got.reads, 4);  // the header and three directory sectors
}

TEST_P(EveryType, EmptyDirectoryGivesTheHeaderAlone) {
    ImageBuilder b(type, errorBytes);
    b.header("empty", "e1", "2a");
    std::string path = b.write(test::scratchDir() + "/empty." + extension);
    Listing got = readDir(path);
    expectEntries(got.image.dirEntries, {headerEntry("empty", "e1", "2a")});
    EXPECT_EQ(got.lines, Lines{typeLine(extension)});
}

// A link to another track ends the walk; on D81 the directory track is 40, on D80 and D82 39.
TEST_P(EveryType, LinkToAnotherTrackEndsTheWalk) {
    const DiskFormat& f = kDiskFormats[type];
    const std::uint8_t otherTrack = f.dirTrack == 18 ? 19 : 18;
    ImageBuilder b(type, errorBytes);
    b.dirLink(f.firstDirSector, otherTrack, f.firstDirSector + 1)
        .slot(f.firstDirSector, 2, 0x82, "kept", 3)
        .slot(f.firstDirSector + 1, 1, 0x82, "not read", 3);
    std::string path = b.write(test::scratchDir() + "/track." + extension);
    Listing got = readDir(path);
    expectEntries(got.image.dirEntries, {DirEntry{}, fileEntry("kept", 3, "PRG", 0, 1)});
    EXPECT_EQ(got.lines, (Lines{typeLine(extension), readingLine(f.firstDirSector, 2),
                                u"getDirEntries - unknown dir track " + decimal(otherTrack)}));
}

INSTANTIATE_TEST_SUITE_P(Directory, EveryType,
                         ::testing::Combine(::testing::ValuesIn(test::kEveryType),
                                            ::testing::Bool()),
                         [](const auto& info) {
                             return test::kindName(std::get<0>(info.param),
                                                   std::get<1>(info.param));
                         });

TEST(GetDirEntries, TypeLineShowsTheExtensionAsWritten) {
    struct Case {
        const char* name;
        DiskType type;
        const char* extension;
    };
    const Case cases[] = {
        {"IMAGE.D81", kTypeD81, "D81"},
        {"game.dat", kTypeD81, "dat"},
        {"Disk.D64", kTypeD64, "D64"},
        {"x.Dxx", kTypeD82, "Dxx"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = ImageBuilder(c.type).write(test::scratchDir() + "/" + c.name);
        Listing got = readDir(path);
        EXPECT_EQ(got.image.type, c.type);
        EXPECT_EQ(got.lines, Lines{typeLine(c.extension)});
        EXPECT_EQ(got.image.dirEntries.size(), 1u);
    }
}

TEST(GetDirEntries, UndeterminedTypeReadsNothing) {
    struct Case {
        const char* name;
        std::uint64_t size;
        const char16_t* setTypeLine;
        ProblemCode problem;
    };
    const Case cases[] = {
        {"game.prg", 174848, u"setType - file type not supprted",
         ProblemCode::UnsupportedExtension},
        {"game.d64", 174849, u"setType - disk file not supprted", ProblemCode::UnsupportedSize},
        {"game.g64", 174848, u"setType - file type not supprted", ProblemCode::NotAG64},
        {"game.d64", 0, u"setType - disk file not supprted", ProblemCode::UnsupportedSize},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = test::sizedFile(test::scratchDir() + "/" + c.name, c.size);
        Listing got = readDir(path);
        EXPECT_EQ(got.image.type, kTypeUnknown);
        EXPECT_TRUE(got.image.dirEntries.empty());
        EXPECT_EQ(got.lines,
                  (Lines{c.setTypeLine, u"getDirEntries - can't determine file type for <" +
                                            test::u16path(path) + u">\n"}));
        // Only a G64's signature is looked for in the file.
        EXPECT_EQ(got.opens, c.problem == ProblemCode::NotAG64 ? 1 : 0);
        // The cause is noted once, by setType, with the size where it is the cause.
        const std::int64_t size =
            c.problem == ProblemCode::UnsupportedSize ? static_cast<std::int64_t>(c.size) : -1;
        EXPECT_EQ(got.image.problems,
                  (std::vector<Problem>{{c.problem, ProblemSource::Type, -1, -1, size}}));
    }
    Listing missing = readDir(test::scratchDir() + "/missing.d64");
    EXPECT_TRUE(missing.image.dirEntries.empty());
    EXPECT_EQ(missing.lines.size(), 2u);
    EXPECT_EQ(missing.image.problems,
              (std::vector<Problem>{{ProblemCode::NotAFile, ProblemSource::Type}}));
}

// Link checks, in order: track 0 ends the walk, another track is unknown, a sector above 40 is
// invalid, a sector already read is cyclic. Nothing is read after any of them.
TEST(GetDirEntries, LinkChecks) {
    struct Case {
        std::uint8_t track;
        std::uint8_t sector;
        const char16_t* line;  // nullptr: the walk ends quietly
        ProblemCode problem;   // noted with the link's track and sector, when there is a line
    };
    const Case cases[] = {
        {0, 0, nullptr, {}},
        {0, 1, nullptr, {}},
        {0, 255, nullptr, {}},
        {19, 4, u"getDirEntries - unknown dir track 19", ProblemCode::UnknownDirTrack},
        {19, 255, u"getDirEntries - unknown dir track 19", ProblemCode::UnknownDirTrack},
        {17, 1, u"getDirEntries - unknown dir track 17", ProblemCode::UnknownDirTrack},
        {255, 1, u"getDirEntries - unknown dir track 255", ProblemCode::UnknownDirTrack},
        {18, 41, u"getDirEntries - invalid dir sector 41", ProblemCode::InvalidDirSector},
        {18, 255, u"getDirEntries - invalid dir sector 255", ProblemCode::InvalidDirSector},
        {18, 1, u"getDirEntries - cyclic dir sector 1", ProblemCode::CyclicDirSector},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.track) + "/" + std::to_string(c.sector));
        ImageBuilder b(kTypeD64);
        b.dirLink(1, c.track, c.sector).slot(1, 1, 0x82, "only", 1);
        std::string path = b.write(test::scratchDir() + "/link.d64");
        Listing got = readDir(path);
        expectEntries(got.image.dirEntries, {DirEntry{}, fileEntry("only", 1, "PRG", 0, 1)});
        Lines lines = {typeLine("d64"), readingLine(1, 1)};
        if (c.line) lines.push_back(c.line);
        EXPECT_EQ(got.lines, lines);
        EXPECT_EQ(got.reads, 2);
        std::vector<Problem> problems;
        if (c.line) problems.push_back({c.problem, ProblemSource::Directory, c.track, c.sector});
        EXPECT_EQ(got.image.problems, problems);
    }
}

TEST(GetDirEntries, CyclicChainKeepsWhatWasRead) {
    ImageBuilder b(kTypeD64);
    b.dirLink(1, 18, 4).dirLink(4, 18, 1);
    b.slot(1, 1, 0x82, "one", 1).slot(4, 3, 0x81, "four", 4);
    std::string path = b.write(test::scratchDir() + "/cycle.d64");
    Listing got = readDir(path);
    expectEntries(got.image.dirEntries, {DirEntry{}, fileEntry("one", 1, "PRG", 0, 1),
                                         fileEntry("four", 4, "SEQ", 0, 1)});
    EXPECT_EQ(got.lines, (Lines{typeLine("d64"), readingLine(1, 1), readingLine(4, 3),
                                u"getDirEntries - cyclic dir sector 1"}));
    EXPECT_EQ(got.reads, 3);
}

// Sector 40 is the last one the walk accepts; on a D64 it lies 40 sectors past the header.
TEST(GetDirEntries, Sector40IsStillADirectorySector) {
    ImageBuilder b(kTypeD64);
    b.dirLink(1, 18, 40).slot(1, 1, 0x82, "one", 1);
    b.putAt(0x16500 + 40 * 256, {18, 40, 0x81});
    b.putAt(0x16500 + 40 * 256 + 5, test::paddedName("forty"));
    std::string path = b.write(test::scratchDir() + "/forty.d64");
    Listing got = readDir(path);
    expectEntries(got.image.dirEntries, {DirEntry{}, fileEntry("one", 1, "PRG", 0, 1),
                                         fileEntry("forty", 0, "SEQ", 0, 1)});
    EXPECT_EQ(got.lines, (Lines{typeLine("d64"), readingLine(1, 1), readingLine(40, 1),
                                u"getDirEntries - cyclic dir sector 40"}));
}

// Track 18 has 19 sectors, but sector 20 is read all the same, at 0x16500 + 20 * 256.
TEST(GetDirEntries, SectorBeyondTheTrackIsReadAtItsOffset) {
    ImageBuilder b(kTypeD64);
    b.dirLink(1, 18, 20);
    const std::size_t at = 0x16500 + 20 * 256;
    ASSERT_EQ(at, 0x17900u);
    b.putAt(at + 32 + 2, {0x82});
    b.putAt(at + 32 + 5, test::paddedName("past the track"));
    b.putAt(at + 32 + 30, {0x34, 0x12});
    std::string path = b.write(test::scratchDir() + "/twenty.d64");
    Listing got = readDir(path);
    expectEntries(got.image.dirEntries,
                  {DirEntry{}, fileEntry("past the track", 0x1234, "PRG", 0, 1)});
    EXPECT_EQ(got.lines, (Lines{typeLine("d64"), readingLine(20, 2)}));
}

// Sector 0 is the header: read as a directory sector, its slots count and bytes 0 and 1 link.
TEST(GetDirEntries, LinkToSectorZeroReadsTheHeaderAsDirectory) {
    struct Case {
        std::uint8_t headerLinkSector;
        const char16_t* lastLine;
    };
    const Case cases[] = {
        {1, u"getDirEntries - cyclic dir sector 1"},
        {0, u"getDirEntries - cyclic dir sector 0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.headerLinkSector);
        ImageBuilder b(kTypeD64);
        b.header("header", "hd", "2a");
        b.put(18, 0, 0, {18, c.headerLinkSector, 0x41});  // 0x41: the DOS version byte
        b.put(18, 0, 5, test::paddedName("bam bytes"));
        b.put(18, 0, 30, {0x02, 0x01});
        b.put(18, 0, 32 + 2, {0x82});
        b.put(18, 0, 32 + 30, {9, 0});
        b.dirLink(1, 18, 0).slot(1, 1, 0x82, "in sector 1", 2);
        std::string path = b.write(test::scratchDir() + "/zero.d64");
        Listing got = readDir(path);
        DirEntry second = fileEntry("", 9, "PRG", 0, 1);
        second.name.fill(0);  // slot 2 of the header lies in the BAM, here all zero
        // Slot 6 starts at 0xA0: the disk ID "hd" is its type byte 0x68, the DOS type its name.
        DirEntry sixth = fileEntry("", 0, "???", 1, 0);
        sixth.name = {'2', 'a'};
        expectEntries(got.image.dirEntries,
                      {headerEntry("header", "hd", "2a"), fileEntry("in sector 1", 2, "PRG", 0, 1),
                       fileEntry("bam bytes", 0x0102, "SEQ", 1, 0), second, sixth});
        EXPECT_EQ(got.lines, (Lines{typeLine("d64"), readingLine(1, 1), readingLine(0, 1),
                                    readingLine(0, 2), readingLine(0, 6), c.lastLine}));
    }
}

// setSubType runs for the 40-track D64 only; the other types keep subType 0 and say nothing.
TEST(GetDirEntries, SubTypeOnlyForTheFortyTrackType) {
    struct Case {
        DiskType type;
        std::size_t nonZero;
        DiskSubType subType;
        Lines subTypeLines;
    };
    const Case cases[] = {
        {kTypeD64x40, 0xAC, kSubTypeDolphin, {u"setSubType: Dolphin = true"}},
        {kTypeD64x40, 0xD3, kSubTypeSpeed, {u"setSubType: Speed = true"}},
        {kTypeD64x40, 0xD4, kSubTypeNone, {}},
        {kTypeD64, 0xAC, kSubTypeNone, {}},
        {kTypeD64, 0xC0, kSubTypeNone, {}},
        {kTypeD71, 0xB0, kSubTypeNone, {}},
        {kTypeD81, 0xC0, kSubTypeNone, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.type) + " " + std::to_string(c.nonZero));
        ImageBuilder b(c.type);
        b.put(kDiskFormats[c.type].dirTrack, 0, c.nonZero, {0x11});
        b.slot(kDiskFormats[c.type].firstDirSector, 1, 0x82, "file", 1);
        std::string path = b.write(test::scratchDir() + "/sub.d64");
        Listing got = readDir(path);
        EXPECT_EQ(got.image.subType, c.subType);
        Lines lines = {typeLine("d64")};
        lines.insert(lines.end(), c.subTypeLines.begin(), c.subTypeLines.end());
        lines.push_back(readingLine(kDiskFormats[c.type].firstDirSector, 1));
        EXPECT_EQ(got.lines, lines);
    }
}

// The longest possible walk: all 41 sector numbers, 8 entries each, then the cycle.
TEST(GetDirEntries, WalkReadsAtMost41Sectors) {
    ImageBuilder b(kTypeD81);
    // 3 -> 4 -> ... -> 40 -> 0 -> 1 -> 2 -> 3
    std::vector<int> order;
    for (int s = 3; s <= 40; ++s) order.push_back(s);
    for (int s : {0, 1, 2}) order.push_back(s);
    for (std::size_t i = 0; i < order.size(); ++i) {
        int next = i + 1 < order.size() ? order[i + 1] : 3;
        b.dirLink(order[i], 40, static_cast<std::uint8_t>(next));
        for (int k = 1; k <= 8; ++k)
            b.slot(order[i], k, 0x82, "s" + std::to_string(order[i]) + "k" + std::to_string(k),
                   static_cast<std::uint16_t>(order[i] * 8 + k));
    }
    std::string path = b.write(test::scratchDir() + "/long.d81");
    Listing got = readDir(path);
    ASSERT_EQ(got.image.dirEntries.size(), 1u + 41 * 8);
    EXPECT_EQ(got.lines.size(), 1u + 41 * 8 + 1);
    EXPECT_EQ(got.lines.back(), u"getDirEntries - cyclic dir sector 3");
    EXPECT_EQ(got.reads, 42);  // header and 41 directory sectors
    for (std::size_t i = 0; i < order.size(); ++i) {
        const DirEntry& last = got.image.dirEntries[1 + 8 * i + 7];
        EXPECT_EQ(last.blocks, order[i] * 8 + 8);
        EXPECT_EQ(got.lines[1 + 8 * i + 7], readingLine(order[i], 8));
    }
}

TEST(GetDirEntries, FileThatVanishesBeforeTheOpen) {
    ImageBuilder b(kTypeD64);
    b.slot(1, 1, 0x82, "file", 1);
    std::string path = b.write(test::scratchDir() + "/gone.d64");
    Listing got = readDir(path, [&] { fs::remove(fs::u8path(path)); });
    EXPECT_EQ(got.image.type, kTypeD64);
    EXPECT_TRUE(got.image.dirEntries.empty());
    EXPECT_EQ(got.lines, (Lines{typeLine("d64"), u"getDirEntries - can't open file <" +
                                                     test::u16path(path) + u">\n"}));
    EXPECT_EQ(got.reads, 0);
}

// The file is cut short after detection, when the reader opens it.
TEST(GetDirEntries, FileTruncatedAfterDetection) {
    struct Case {
        const char* what;
        std::uint64_t size;
        std::size_t entries;
        std::int16_t sectorNotRead;
    };
    const Case cases[] = {
        {"to nothing", 0, 0, 0},
        {"to half the track before the header", 0x16500 - 128, 0, 0},
        {"to the header sector", 0x16500 + 256, 1, 1},
        {"before the second directory sector", 0x16500 + 10 * 256, 2, 10},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ImageBuilder b(kTypeD64);
        b.header("cut", "ct", "2a");
        b.dirLink(1, 18, 10).slot(1, 1, 0x82, "one", 1).slot(10, 1, 0x82, "ten", 10);
        std::string path = b.write(test::scratchDir() + "/cut.d64");
        Listing got = readDir(path, [&] { fs::resize_file(fs::u8path(path), c.size); });
        EXPECT_EQ(got.image.type, kTypeD64);
        EXPECT_EQ(got.image.dirEntries.size(), c.entries);
        Lines lines = {typeLine("d64")};
        if (c.entries == 2) lines.push_back(readingLine(1, 1));
        lines.push_back(readErrorLine(path));
        EXPECT_EQ(got.lines, lines);
        EXPECT_EQ(got.image.problems,
                  (std::vector<Problem>{
                      {ProblemCode::ReadFailed, ProblemSource::Directory, 18, c.sectorNotRead}}));
    }
}

// A header sector cut short is still read: the missing bytes stay as the fresh buffer had them.
TEST(GetDirEntries, PartlyReadHeaderSector) {
    ImageBuilder b(kTypeD64);
    b.header("abcdefghijklmnop", "ab", "2a");
    std::string path = b.write(test::scratchDir() + "/part.d64");
    Listing got = readDir(path, [&] { fs::resize_file(fs::u8path(path), 0x16500 + 0x98); });
    ASSERT_EQ(got.image.dirEntries.size(), 1u);
    DirEntry header;
    std::copy_n("abcdefgh", 8, header.name.begin());
    expectEntries(got.image.dirEntries, {header});
    EXPECT_EQ(got.lines, (Lines{typeLine("d64"), readErrorLine(path)}));
    // The header came short, the first directory sector not at all.
    EXPECT_EQ(got.image.problems,
              (std::vector<Problem>{{ProblemCode::ShortRead, ProblemSource::Directory, 18, 0},
                                    {ProblemCode::ReadFailed, ProblemSource::Directory, 18, 1}}));
}

}  // namespace
}  // namespace qvx
