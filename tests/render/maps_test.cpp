// The BAM map and the error map: header lines, row shapes by zone, bit order and the free count.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "render/maps.h"
#include "support/image_kinds.h"

namespace qvx {
namespace {

// Sectors per track as the drives lay them out, written down here independently of the format
// table; tracks past the last zone keep its sector count.
std::uint32_t expectedSpt(DiskType type, std::uint32_t t) {
    auto d64 = [](std::uint32_t n) -> std::uint32_t {
        return n <= 17 ? 21 : n <= 24 ? 19 : n <= 30 ? 18 : 17;
    };
    auto d80 = [](std::uint32_t n) -> std::uint32_t {
        return n <= 39 ? 29 : n <= 53 ? 27 : n <= 64 ? 25 : 23;
    };
    switch (type) {
        case kTypeD64:
        case kTypeD64x40:
            return d64(t);
        case kTypeD71:
            return d64(t > 35 ? t - 35 : t);
        case kTypeD80:
            return d80(t);
        case kTypeD81:
            return 40;
        case kTypeD82:
            return d80(t > 77 ? t - 77 : t);
        default:
            return 0;
    }
}

// The text cut at its carriage returns; a text that ends in one gives no empty last line.
std::vector<std::u16string> lines(const std::u16string& text) {
    std::vector<std::u16string> out;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != u'\r') continue;
        out.push_back(text.substr(start, i - start));
        start = i + 1;
    }
    if (start < text.size()) out.push_back(text.substr(start));
    return out;
}

std::u16string prefix(std::uint32_t track) {
    std::string digits = std::to_string(track);
    std::string padded = std::string(3 - std::min<std::size_t>(3, digits.size()), '0') + digits;
    return std::u16string(padded.begin(), padded.end()) + u": ";
}

DiskImage bamImage(DiskType type, std::vector<BamTrack> tracks) {
    DiskImage image;
    image.type = type;
    image.bamTracks = std::move(tracks);
    setupBAMMap(image);
    return image;
}

DiskImage errorImage(DiskType type, int count, std::vector<std::uint8_t> bytes) {
    DiskImage image;
    image.type = type;
    image.errorCount = static_cast<std::int16_t>(count);
    image.errorBytes = std::move(bytes);
    setupErrorMap(image);
    return image;
}

BamTrack fullTrack(DiskType type, std::uint32_t track) {
    return (BamTrack{1} << expectedSpt(type, track)) - 1;
}

TEST(BamMap, HeaderLinesCharacterForCharacter) {
    struct Case {
        DiskType type;
        std::u16string header;
    };
    const std::u16string d64 = u"     SEC       1         2\rTR   012345678901234567890\r";
    const std::u16string d80 = u"     SEC       1         2\rTR   01234567890123456789012345678\r";
    const std::u16string d81 =
        u"     SEC       1         2         3\rTR   0123456789012345678901234567890123456789\r";
    const Case cases[] = {
        {kTypeD64, d64}, {kTypeD64x40, d64}, {kTypeD71, d64},
        {kTypeD80, d80}, {kTypeD82, d80},    {kTypeD81, d81},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(kDiskFormats[c.type].typeName));
        EXPECT_EQ(bamImage(c.type, {}).bamMapText, u"BAM\r" + c.header);
        EXPECT_EQ(errorImage(c.type, 0, {}).errorMapText, u"ERROR MAP\r" + c.header);
    }
    // The tens stand above sectors 10, 20 and 30, which sit in column 5 + sector.
    const std::u16string line = lines(bamImage(kTypeD81, {}).bamMapText)[1];
    EXPECT_EQ(line.substr(5, 3), u"SEC");
    EXPECT_EQ(line[5 + 10], u'1');
    EXPECT_EQ(line[5 + 20], u'2');
    EXPECT_EQ(line[5 + 30], u'3');
}

TEST(BamMap, RowsFollowTheZonesOfEveryType) {
    // The free blocks of a BAM in which every sector of every track is free.
    const std::pair<DiskType, int> cases[] = {{kTypeD64, 664},  {kTypeD64x40, 749},
                                              {kTypeD71, 1328}, {kTypeD80, 2052},
                                              {kTypeD81, 3160}, {kTypeD82, 4133}};
    for (auto [type, free] : cases) {
        const DiskFormat& f = kDiskFormats[type];
        SCOPED_TRACE(std::string(f.typeName));
        std::vector<BamTrack> tracks;
        for (std::uint32_t t = 1; t <= f.trackCount; ++t) tracks.push_back(fullTrack(type, t));
        DiskImage image = bamImage(type, tracks);
        ASSERT_FALSE(image.bamMapText.empty());
        EXPECT_EQ(image.bamMapText.back(), u'\r');
        std::vector<std::u16string> rows = lines(image.bamMapText);
        ASSERT_EQ(rows.size(), 3u + f.trackCount);
        for (std::uint32_t t = 1; t <= f.trackCount; ++t)
            EXPECT_EQ(rows[2 + t], prefix(t) + std::u16string(expectedSpt(type, t), u'1'))
                << "track " << t;
        EXPECT_EQ(image.blocksFree, free);
    }
}

TEST(BamMap, BitsShowSectorZeroFirstAndWideBitmapsShowTheirTop) {
    struct Case {
        std::uint32_t track;
        BamTrack bits;
        std::u16string row;
        int free;
    };
    const std::u16string zeros20(20, u'0');
    const Case cases[] = {
        {1, 0x1FFFFF, std::u16string(21, u'1'), 21},
        {1, 0x000001, u"1" + zeros20, 1},
        {1, 0x000000, std::u16string(21, u'0'), 0},
        {1, 0x100000, zeros20 + u"1", 1},
        {1, 0x0AAAAA, u"010101010101010101010", 10},
        // Bit 22 on a 21-sector track: the row shows bits 2 to 22, bit 0 drops out but counts.
        {1, (BamTrack{1} << 22) | 1, zeros20 + u"1", 2},
        {1, BamTrack{1} << 21, zeros20 + u"1", 1},
        {31, 0xFFFFFF, std::u16string(17, u'1'), 24},
        {31, 0x01FFFF | (BamTrack{1} << 23), u"11111111110000001", 18},
        {1, ~BamTrack{0}, std::u16string(21, u'1'), 64},
    };
    for (const Case& c : cases) {
        std::vector<BamTrack> tracks(35, 0);
        tracks[c.track - 1] = c.bits;
        DiskImage image = bamImage(kTypeD64, tracks);
        std::vector<std::u16string> rows = lines(image.bamMapText);
        ASSERT_EQ(rows.size(), 38u);
        EXPECT_EQ(rows[2 + c.track], prefix(c.track) + c.row) << std::hex << c.bits;
        EXPECT_EQ(image.blocksFree, c.free) << std::hex << c.bits;
    }
}

TEST(BamMap, UncountedTracksAndCorrectionsPerType) {
    struct Case {
        DiskType type;
        std::vector<std::uint32_t> uncounted;
        int correction;
    };
    const Case cases[] = {{kTypeD64, {18}, 0}, {kTypeD64x40, {18}, 0}, {kTypeD71, {18, 53}, 0},
                          {kTypeD80, {39}, 2}, {kTypeD81, {40}, 0},    {kTypeD82, {39}, 4}};
    for (const Case& c : cases) {
        const DiskFormat& f = kDiskFormats[c.type];
        SCOPED_TRACE(std::string(f.typeName));
        for (std::uint32_t t = 1; t <= f.trackCount; ++t) {
            std::vector<BamTrack> tracks(f.trackCount, 0);
            tracks[t - 1] = 0x7;
            DiskImage image = bamImage(c.type, tracks);
            const bool counted = std::count(c.uncounted.begin(), c.uncounted.end(), t) == 0;
            EXPECT_EQ(image.blocksFree, (counted ? 3 : 0) - c.correction) << "track " << t;
            // An uncounted track is still drawn like the others.
            EXPECT_EQ(lines(image.bamMapText)[2 + t].substr(0, 8), prefix(t) + u"111");
        }
        EXPECT_EQ(bamImage(c.type, std::vector<BamTrack>(f.trackCount, 0)).blocksFree,
                  -c.correction);
        EXPECT_EQ(bamImage(c.type, {}).blocksFree, -c.correction);
    }
}

TEST(BamMap, TrackPrefixesAndTracksPastTheZoneTable) {
    std::vector<BamTrack> tracks(154, 1);
    std::vector<std::u16string> rows = lines(bamImage(kTypeD82, tracks).bamMapText);
    ASSERT_EQ(rows.size(), 157u);
    EXPECT_EQ(rows[3].substr(0, 5), u"001: ");
    EXPECT_EQ(rows[3 + 98].substr(0, 5), u"099: ");
    EXPECT_EQ(rows[3 + 153].substr(0, 5), u"154: ");

    // A D80 BAM may describe more tracks than the type has: they keep the last zone's width.
    rows = lines(bamImage(kTypeD80, std::vector<BamTrack>(100, 0x3)).bamMapText);
    ASSERT_EQ(rows.size(), 103u);
    EXPECT_EQ(rows[3 + 76], u"077: 11" + std::u16string(21, u'0'));
    EXPECT_EQ(rows[3 + 99], u"100: 11" + std::u16string(21, u'0'));
}

TEST(BamMap, UndeterminedTypeGivesNoTextAndNoBlocks) {
    DiskImage image;
    image.type = kTypeUnknown;
    image.bamTracks = {0xFF, 0xFF};
    image.bamMapText = u"old";
    image.blocksFree = 99;
    setupBAMMap(image);
    EXPECT_TRUE(image.bamMapText.empty());
    EXPECT_EQ(image.blocksFree, 0);
}

TEST(BamMap, RebuildingReplacesTheText) {
    DiskImage image = bamImage(kTypeD64, std::vector<BamTrack>(35, 0x1FFFFF));
    const std::u16string first = image.bamMapText;
    const std::int16_t free = image.blocksFree;
    setupBAMMap(image);
    EXPECT_EQ(image.bamMapText, first);
    EXPECT_EQ(image.blocksFree, free);
}

TEST(ErrorMap, RowsFollowTheZonesOfEveryType) {
    for (DiskType type : test::kEveryType) {
        const DiskFormat& f = kDiskFormats[type];
        SCOPED_TRACE(std::string(f.typeName));
        DiskImage image =
            errorImage(type, f.totalSectors, std::vector<std::uint8_t>(f.totalSectors, 0x3A));
        std::vector<std::u16string> rows = lines(image.errorMapText);
        ASSERT_EQ(rows.size(), 3u + f.trackCount);
        for (std::uint32_t t = 1; t <= f.trackCount; ++t)
            EXPECT_EQ(rows[2 + t], prefix(t) + std::u16string(expectedSpt(type, t), u'A'))
                << "track " << t;
    }
}

TEST(ErrorMap, ShowsTheLowHexDigitOfEachByteInSectorOrder) {
    std::vector<std::uint8_t> bytes(683, 0);
    const std::vector<std::uint8_t> first = {0x00, 0x01, 0x0F, 0x15, 0x11, 0xFF, 0x0A, 0x9C};
    std::copy(first.begin(), first.end(), bytes.begin());
    bytes[20] = 0x1B;   // track 1 sector 20
    bytes[21] = 0x0D;   // track 2 sector 0
    bytes[682] = 0x07;  // track 35 sector 16
    std::vector<std::u16string> rows = lines(errorImage(kTypeD64, 683, bytes).errorMapText);
    ASSERT_EQ(rows.size(), 38u);
    EXPECT_EQ(rows[3], u"001: 01F51FAC" + std::u16string(12, u'0') + u"B");
    EXPECT_EQ(rows[4], u"002: D" + std::u16string(20, u'0'));
    EXPECT_EQ(rows[37], u"035: " + std::u16string(16, u'0') + u"7");
}

TEST(ErrorMap, NeverReadsPastTheBytesItHas) {
    struct Case {
        DiskType type;
        int count;
        std::size_t buffer;
        std::size_t rows;
    };
    const Case cases[] = {
        {kTypeD64, 683, 683, 35},    {kTypeD64, 683, 100, 4},     {kTypeD64, 683, 0, 0},
        {kTypeD64, 0, 683, 0},       {kTypeD64, -5, 683, 0},      {kTypeD64, 20000, 683, 35},
        {kTypeD64, 100, 683, 17},    {kTypeD64, 357, 683, 17},    {kTypeD64, 358, 683, 24},
        {kTypeD64x40, 768, 683, 35}, {kTypeD64x40, 768, 768, 40}, {kTypeD81, 3200, 3199, 79},
    };
    for (const Case& c : cases) {
        DiskImage image = errorImage(c.type, c.count, std::vector<std::uint8_t>(c.buffer, 0x02));
        std::vector<std::u16string> rows = lines(image.errorMapText);
        ASSERT_GE(rows.size(), 3u);
        EXPECT_EQ(rows.size() - 3, c.rows)
            << kDiskFormats[c.type].typeName << " count " << c.count << " buffer " << c.buffer;
        for (std::size_t r = 3; r < rows.size(); ++r)
            EXPECT_EQ(rows[r].find_first_not_of(u'2', 5), std::u16string::npos);
    }
}

TEST(ErrorMap, UndeterminedTypeGivesNoText) {
    DiskImage image;
    image.type = kTypeUnknown;
    image.errorCount = 683;
    image.errorBytes.assign(683, 1);
    image.errorMapText = u"old";
    setupErrorMap(image);
    EXPECT_TRUE(image.errorMapText.empty());
}

}  // namespace
}  // namespace qvx
