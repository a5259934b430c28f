// The BAM reader: which sectors it reads, where each bitmap comes from, and what a failure leaves.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "disk/bam.h"
#include "disk/file.h"
#include "support/image_builder.h"
#include "support/trace_capture.h"

namespace qvx {
namespace {

using test::ImageBuilder;
using test::TraceCapture;

struct BamResult {
    std::vector<BamTrack> tracks;
    std::vector<std::u16string> lines;
    std::vector<Problem> problems;
};

BamResult readBam(const std::string& path, DiskType type, DiskSubType subType = kSubTypeNone) {
    DiskImage image;
    image.type = type;
    image.subType = subType;
    TraceCapture trace;
    getBAMEntries(test::u16path(path), image);
    return {image.bamTracks, trace.lines, image.problems};
}

BamResult readBam(const ImageBuilder& builder, DiskSubType subType = kSubTypeNone) {
    return readBam(builder.write(test::scratchDir() + "/image.img"), builder.type(), subType);
}

std::u16string readFailure(const std::string& path) {
    return u"getBAMEntries - can't read from file <" + test::u16path(path) + u">";
}

// Byte 4 and 5 of a D80/D82 BAM sector: first track described, last track plus 1.
void setRange(ImageBuilder& b, std::uint32_t bamSector, std::uint8_t first, std::uint8_t end) {
    b.put(38, bamSector, 4, {first, end});
}

// The ranges a formatted disk carries, so that the reader sees every track of the type.
ImageBuilder formatted(DiskType type) {
    ImageBuilder b(type);
    if (type == kTypeD80) {
        setRange(b, 0, 1, 51);
        setRange(b, 3, 51, 78);
    } else if (type == kTypeD82) {
        setRange(b, 0, 1, 51);
        setRange(b, 3, 51, 101);
        setRange(b, 6, 101, 151);
        setRange(b, 9, 151, 155);
    }
    return b;
}

std::uint8_t pattern(std::size_t i) {
    return static_cast<std::uint8_t>(i * 37 + 11);
}

// Fills the whole sector with distinct bytes, so that any bitmap tells where it was taken from.
void fillSector(ImageBuilder& b, std::uint32_t track, std::uint32_t sector, std::uint8_t salt) {
    std::vector<std::uint8_t> bytes(kSectorSize);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<std::uint8_t>(pattern(i) ^ salt);
    b.put(track, sector, 0, bytes);
}

BamTrack littleEndian(const std::uint8_t* bytes, std::size_t count) {
    BamTrack v = 0;
    for (std::size_t i = 0; i < count; ++i) v |= BamTrack{bytes[i]} << (8 * i);
    return v;
}

TEST(BamReader, EntryCountsAndWidthsPerType) {
    struct Case {
        DiskType type;
        DiskSubType subType;
        std::size_t entries;
        int width;
    };
    const Case cases[] = {
        {kTypeD64, kSubTypeNone, 35, 24},     {kTypeD64x40, kSubTypeDolphin, 40, 24},
        {kTypeD64x40, kSubTypeSpeed, 40, 24}, {kTypeD64x40, kSubTypeNone, 35, 24},
        {kTypeD71, kSubTypeNone, 70, 24},     {kTypeD80, kSubTypeNone, 77, 32},
        {kTypeD81, kSubTypeNone, 80, 40},     {kTypeD82, kSubTypeNone, 154, 32},
    };
    for (const Case& c : cases) {
        ImageBuilder b = formatted(c.type);
        // Every byte of every BAM sector set: values reach their full width and no further.
        for (std::uint32_t s : {0u, 1u, 2u, 3u, 6u, 9u}) {
            const DiskFormat& f = kDiskFormats[c.type];
            std::uint32_t track = f.dirTrack;
            if (c.type == kTypeD80 || c.type == kTypeD82) track = 38;
            std::uint8_t* sector = b.sector(track, s);
            std::vector<std::uint8_t> keep(sector + 4, sector + 6);
            std::fill(sector, sector + kSectorSize, 0xFF);
            if (track == 38) std::copy(keep.begin(), keep.end(), sector + 4);
        }
        if (c.type == kTypeD71) b.put(53, 0, 0, std::vector<std::uint8_t>(kSectorSize, 0xFF));
        BamResult r = readBam(b, c.subType);
        SCOPED_TRACE(std::string(kDiskFormats[c.type].typeName) + " sub " +
                     std::to_string(c.subType));
        ASSERT_EQ(r.tracks.size(), c.entries);
        EXPECT_TRUE(r.lines.empty());
        for (BamTrack v : r.tracks) EXPECT_EQ(v, (BamTrack{1} << c.width) - 1);
    }
}

TEST(BamReader, D64BitmapsSkipTheFreeCount) {
    ImageBuilder b(kTypeD64);
    fillSector(b, 18, 0, 0);
    b.put(18, 0, 4, {0x00, 0xFF, 0xFF, 0x1F});  // track 1: count 0 disagrees with 21 free sectors
    BamResult r = readBam(b);
    ASSERT_EQ(r.tracks.size(), 35u);
    EXPECT_EQ(r.tracks[0], 0x1FFFFFu);
    const std::uint8_t* header = b.sector(18, 0);
    for (std::size_t t = 2; t <= 35; ++t)
        EXPECT_EQ(r.tracks[t - 1], littleEndian(header + 4 * t + 1, 3)) << "track " << t;
}

TEST(BamReader, FortyTrackVariantsTakeTracks36To40FromTheirArea) {
    struct Case {
        DiskSubType subType;
        std::size_t base;
    };
    for (const Case& c : {Case{kSubTypeDolphin, 0xAC}, Case{kSubTypeSpeed, 0xC0}}) {
        ImageBuilder b(kTypeD64x40);
        fillSector(b, 18, 0, 0x5A);  // both areas hold data; subType alone picks one
        BamResult r = readBam(b, c.subType);
        ASSERT_EQ(r.tracks.size(), 40u);
        const std::uint8_t* header = b.sector(18, 0);
        EXPECT_EQ(r.tracks[34], littleEndian(header + 4 * 35 + 1, 3));
        for (std::size_t t = 36; t <= 40; ++t)
            EXPECT_EQ(r.tracks[t - 1], littleEndian(header + c.base + 4 * (t - 36) + 1, 3))
                << "sub " << int{c.subType} << " track " << t;
    }
}

TEST(BamReader, D71SideTwoComesFromTrack53) {
    ImageBuilder b(kTypeD71);
    fillSector(b, 18, 0, 0x00);
    fillSector(b, 53, 0, 0xC3);
    BamResult r = readBam(b);
    ASSERT_EQ(r.tracks.size(), 70u);
    const std::uint8_t* side1 = b.sector(18, 0);
    const std::uint8_t* side2 = b.sector(53, 0);
    EXPECT_EQ(r.tracks[34], littleEndian(side1 + 4 * 35 + 1, 3));
    // Three bitmap bytes per track from offset 0, no free count in between.
    EXPECT_EQ(r.tracks[35], littleEndian(side2, 3));
    for (std::size_t t = 36; t <= 70; ++t)
        EXPECT_EQ(r.tracks[t - 1], littleEndian(side2 + 3 * (t - 36), 3)) << "track " << t;
}

TEST(BamReader, D81TracksFromSectors1And2OfTrack40) {
    ImageBuilder b(kTypeD81);
    fillSector(b, 40, 0, 0x11);
    fillSector(b, 40, 1, 0x22);
    fillSector(b, 40, 2, 0x33);
    fillSector(b, 40, 3, 0x44);
    BamResult r = readBam(b);
    ASSERT_EQ(r.tracks.size(), 80u);
    for (std::size_t k = 0; k < 40; ++k) {
        EXPECT_EQ(r.tracks[k], littleEndian(b.sector(40, 1) + 0x11 + 6 * k, 5)) << k;
        EXPECT_EQ(r.tracks[40 + k], littleEndian(b.sector(40, 2) + 0x11 + 6 * k, 5)) << k;
    }
}

TEST(BamReader, D80RangesGiveTheCountAndPositionGivesTheTrack) {
    ImageBuilder b(kTypeD80);
    fillSector(b, 38, 0, 0x01);
    fillSector(b, 38, 3, 0x02);
    setRange(b, 0, 1, 51);
    setRange(b, 3, 51, 78);
    // The sectors in between carry ranges too; reading them would change the count.
    setRange(b, 1, 1, 11);
    setRange(b, 2, 1, 11);
    BamResult r = readBam(b);
    ASSERT_EQ(r.tracks.size(), 77u);
    for (std::size_t k = 0; k < 50; ++k)
        EXPECT_EQ(r.tracks[k], littleEndian(b.sector(38, 0) + 7 + 5 * k, 4)) << k;
    for (std::size_t k = 0; k < 27; ++k)
        EXPECT_EQ(r.tracks[50 + k], littleEndian(b.sector(38, 3) + 7 + 5 * k, 4)) << k;
}

TEST(BamReader, D80RangesThatAreEmptyReversedOrTooLong) {
    struct Case {
        const char* what;
        std::uint8_t first0, end0, first3, end3;
        std::size_t fromFirst, fromSecond;
    };
    const Case cases[] = {
        {"equal bounds", 5, 5, 10, 20, 0, 10},   {"end below first", 60, 10, 1, 3, 0, 2},
        {"both empty", 0, 0, 78, 78, 0, 0},      {"over 50 cut at 50", 1, 200, 0, 0, 50, 0},
        {"exactly 50", 3, 53, 200, 255, 50, 50}, {"first track ignored", 70, 73, 2, 4, 3, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ImageBuilder b(kTypeD80);
        fillSector(b, 38, 0, 0x0F);
        fillSector(b, 38, 3, 0xF0);
        setRange(b, 0, c.first0, c.end0);
        setRange(b, 3, c.first3, c.end3);
        BamResult r = readBam(b);
        ASSERT_EQ(r.tracks.size(), c.fromFirst + c.fromSecond);
        EXPECT_TRUE(r.lines.empty());
        for (std::size_t k = 0; k < c.fromFirst; ++k)
            EXPECT_EQ(r.tracks[k], littleEndian(b.sector(38, 0) + 7 + 5 * k, 4));
        for (std::size_t k = 0; k < c.fromSecond; ++k)
            EXPECT_EQ(r.tracks[c.fromFirst + k], littleEndian(b.sector(38, 3) + 7 + 5 * k, 4));
    }
}

TEST(BamReader, LastEntryOfAFullSectorEndsAtItsLastByte) {
    ImageBuilder b(kTypeD82);
    for (std::uint32_t s : {0u, 3u, 6u, 9u}) setRange(b, s, 1, 255);
    b.put(38, 0, 252, {0x01, 0x02, 0x03, 0x84});
    b.put(38, 9, 252, {0x05, 0x06, 0x07, 0x08});
    BamResult r = readBam(b);
    ASSERT_EQ(r.tracks.size(), 200u);
    EXPECT_EQ(r.tracks[49], 0x84030201u);
    EXPECT_EQ(r.tracks[199], 0x08070605u);
}

TEST(BamReader, TopBitOfA32BitBitmapStaysUnsigned) {
    ImageBuilder b = formatted(kTypeD80);
    b.put(38, 0, 6, {0x00, 0x00, 0x00, 0x00, 0x80});
    b.put(38, 0, 11, {0x1D, 0xFF, 0xFF, 0xFF, 0xFF});
    BamResult r = readBam(b);
    ASSERT_EQ(r.tracks.size(), 77u);
    EXPECT_EQ(r.tracks[0], BamTrack{1} << 31);
    EXPECT_EQ(r.tracks[0] >> 32, 0u);
    EXPECT_EQ(r.tracks[1], 0xFFFFFFFFu);
    EXPECT_EQ(r.tracks[1] >> 32, 0u);
}

TEST(BamReader, D82ReadsEveryThirdSectorOfTrack38InOrder) {
    ImageBuilder b(kTypeD82);
    // Sectors 38/0 to 38/11 all look like BAM sectors, each with its own mark and range length.
    for (std::uint32_t s = 0; s < 12; ++s) {
        std::vector<std::uint8_t> bytes(kSectorSize, static_cast<std::uint8_t>(0xA0 + s));
        bytes[4] = 1;
        bytes[5] = static_cast<std::uint8_t>(2 + s);
        b.put(38, s, 0, bytes);
    }
    BamResult r = readBam(b);
    std::vector<BamTrack> expected;
    for (std::uint32_t s : {0u, 3u, 6u, 9u})
        expected.insert(expected.end(), 1 + s, BamTrack{0x01010101} * (0xA0 + s));
    EXPECT_EQ(r.tracks, expected);
}

TEST(BamReader, UnknownTypeReadsNothing) {
    const std::string path = ImageBuilder(kTypeD64).write(test::scratchDir() + "/image.d64");
    for (DiskType type : {kTypeUnknown, DiskType{6}, DiskType{-100}}) {
        BamResult r = readBam(path, type);
        EXPECT_TRUE(r.tracks.empty()) << int{type};
        EXPECT_EQ(r.lines, std::vector<std::u16string>{u"getBAMEntries - unknown disk type"});
        // setType has noted why the type is unknown.
        EXPECT_TRUE(r.problems.empty());
    }
}

TEST(BamReader, OpenFailureEndsInALineFeed) {
    const std::string path = test::scratchDir() + "/missing.d64";
    for (DiskType type : {kTypeD64, kTypeD82, kTypeUnknown}) {
        BamResult r = readBam(path, type);
        EXPECT_TRUE(r.tracks.empty());
        EXPECT_EQ(r.lines, std::vector<std::u16string>{u"getBAMEntries - can't open file <" +
                                                       test::u16path(path) + u">\n"});
        // An unknown type has its problem from setType.
        const std::vector<Problem> noted = {{ProblemCode::OpenFailed, ProblemSource::Bam}};
        EXPECT_EQ(r.problems, type == kTypeUnknown ? std::vector<Problem>{} : noted);
    }
}

TEST(BamReader, ReadFailureKeepsWhatEarlierSectorsGave) {
    struct Case {
        DiskType type;
        std::size_t cutAt;  // file length after detection
        std::size_t kept;
        std::int16_t track;  // of the BAM sector not read
        std::int16_t sector;
    };
    const Case cases[] = {
        {kTypeD64, 0x16500, 0, 18, 0},   {kTypeD71, 0x16500, 0, 18, 0},
        {kTypeD71, 0x41000, 35, 53, 0},  {kTypeD81, 0x61900, 0, 40, 1},
        {kTypeD81, 0x61A00, 40, 40, 2},  {kTypeD80, 0x43400, 50, 38, 3},
        {kTypeD82, 0x43700, 100, 38, 6}, {kTypeD82, 0x43A00, 150, 38, 9},
    };
    for (const Case& c : cases) {
        ImageBuilder b = formatted(c.type);
        for (std::uint32_t s : {0u, 1u, 2u, 3u}) fillSector(b, kDiskFormats[c.type].dirTrack, s, 0);
        if (c.type == kTypeD80 || c.type == kTypeD82) {
            for (std::uint32_t s : {0u, 3u, 6u}) {
                fillSector(b, 38, s, static_cast<std::uint8_t>(s));
                setRange(b, s, 1, 51);
            }
        }
        b.bytes().resize(c.cutAt);
        const std::string path = b.write(test::scratchDir() + "/cut.img");
        BamResult r = readBam(path, c.type);
        SCOPED_TRACE(std::string(kDiskFormats[c.type].typeName) + " cut at " +
                     std::to_string(c.cutAt));
        EXPECT_EQ(r.lines, std::vector<std::u16string>{readFailure(path)});
        EXPECT_EQ(r.problems, (std::vector<Problem>{{ProblemCode::ReadFailed, ProblemSource::Bam,
                                                     c.track, c.sector}}));
        ASSERT_EQ(r.tracks.size(), c.kept);
        if (c.type == kTypeD71 && c.kept == 35)
            EXPECT_EQ(r.tracks[34], littleEndian(b.sector(18, 0) + 4 * 35 + 1, 3));
    }
}

TEST(BamReader, FileShrinkingWhileOpenStopsTheSecondRead) {
    ImageBuilder b(kTypeD71);
    fillSector(b, 18, 0, 0x3C);
    fillSector(b, 53, 0, 0x77);
    const std::string path = b.write(test::scratchDir() + "/image.d71");
    int reads = 0;
    setFileObserver({nullptr, [&](std::size_t, std::size_t) {
                         if (++reads == 1)
                             std::filesystem::resize_file(std::filesystem::u8path(path), 0x20000);
                     }});
    BamResult r = readBam(path, kTypeD71);
    setFileObserver({});
    EXPECT_EQ(reads, 2);
    EXPECT_EQ(r.lines, std::vector<std::u16string>{readFailure(path)});
    ASSERT_EQ(r.tracks.size(), 35u);
    EXPECT_EQ(r.tracks[0], littleEndian(b.sector(18, 0) + 5, 3));
}

TEST(BamReader, ShortReadCountsAsReadAndKeepsTheBufferTail) {
    ImageBuilder b(kTypeD71);
    fillSector(b, 18, 0, 0x3C);
    fillSector(b, 53, 0, 0x77);
    const std::vector<std::uint8_t> side1(b.sector(18, 0), b.sector(18, 0) + kSectorSize);
    const std::vector<std::uint8_t> side2(b.sector(53, 0), b.sector(53, 0) + kSectorSize);
    b.bytes().resize(0x41000 + 10);  // ten bytes of track 53 sector 0 remain
    BamResult r = readBam(b.write(test::scratchDir() + "/short.d71"), kTypeD71);
    EXPECT_TRUE(r.lines.empty());
    EXPECT_EQ(r.problems,
              (std::vector<Problem>{{ProblemCode::ShortRead, ProblemSource::Bam, 53, 0}}));
    ASSERT_EQ(r.tracks.size(), 70u);
    EXPECT_EQ(r.tracks[35], littleEndian(side2.data(), 3));
    EXPECT_EQ(r.tracks[37], littleEndian(side2.data() + 6, 3));
    // Bytes 9 to 11: one from the short read, two left over from track 18 sector 0.
    EXPECT_EQ(r.tracks[38],
              BamTrack{side2[9]} | BamTrack{side1[10]} << 8 | BamTrack{side1[11]} << 16);
    EXPECT_EQ(r.tracks[69], littleEndian(side1.data() + 102, 3));
}

TEST(BamReader, AppendsToWhatTheListHolds) {
    DiskImage image;
    image.type = kTypeD64;
    image.bamTracks = {7, 8};
    ImageBuilder b(kTypeD64);
    b.put(18, 0, 4, {0x15, 0xFF, 0xFF, 0x1F});
    getBAMEntries(test::u16path(b.write(test::scratchDir() + "/image.d64")), image);
    ASSERT_EQ(image.bamTracks.size(), 37u);
    EXPECT_EQ(image.bamTracks[0], 7u);
    EXPECT_EQ(image.bamTracks[2], 0x1FFFFFu);
}

}  // namespace
}  // namespace qvx
