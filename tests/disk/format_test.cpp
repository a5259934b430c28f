// Geometry of the format table: sector counts, zone walk and sector offsets.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "disk/format.h"
#include "support/image_kinds.h"

namespace qvx {
namespace {

TEST(Format, ZoneTablesCoverEveryTrackOfTheType) {
    for (DiskType t : test::kEveryType) {
        const DiskFormat& f = kDiskFormats[t];
        std::uint32_t sectors = 0;
        for (std::uint32_t track = 1; track <= f.trackCount; ++track)
            sectors += sectorsOnTrack(t, track);
        EXPECT_EQ(sectors, f.totalSectors) << f.typeName;
        EXPECT_EQ(sectorOffset(t, f.dirTrack, 0), f.headerOffset) << f.typeName;
    }
}

TEST(Format, SectorsAndOffsetsOfNamedTracks) {
    EXPECT_EQ(sectorsOnTrack(kTypeD71, 36), 21u);
    EXPECT_EQ(sectorOffset(kTypeD71, 53, 0), 0x41000u);
    EXPECT_EQ(sectorsOnTrack(kTypeD82, 78), 29u);
    EXPECT_EQ(sectorOffset(kTypeD80, 38, 0), 0x43100u);
    EXPECT_EQ(sectorOffset(kTypeD80, 38, 3), 0x43400u);
    EXPECT_EQ(sectorOffset(kTypeD81, 40, 1), 0x61900u);
    EXPECT_EQ(sectorsOnTrack(kTypeD64, 36), 0u);  // a 35-track D64 never reaches the fifth pair
    EXPECT_EQ(sectorsOnTrack(kTypeD64x40, 36), 17u);
    EXPECT_EQ(sectorsOnTrack(kTypeUnknown, 1), 0u);
}

TEST(Format, BamSectorsInReadingOrder) {
    const std::pair<DiskType, std::vector<std::uint64_t>> cases[] = {
        {kTypeD64, {0x16500}},          {kTypeD64x40, {0x16500}},
        {kTypeD71, {0x16500, 0x41000}}, {kTypeD80, {0x43100, 0x43400}},
        {kTypeD81, {0x61900, 0x61A00}}, {kTypeD82, {0x43100, 0x43400, 0x43700, 0x43A00}}};
    for (const auto& [type, offsets] : cases) {
        const DiskFormat& f = kDiskFormats[type];
        std::vector<std::uint64_t> got;
        for (std::size_t i = 0; i < f.bamSectorCount; ++i)
            got.push_back(sectorOffset(type, f.bamSectors[i].track, f.bamSectors[i].sector));
        EXPECT_EQ(got, offsets) << f.typeName;
    }
}

TEST(Format, ZoneWalkStopsAtTheLastPair) {
    ZoneWalk walk(kDiskFormats[kTypeD80]);
    walk.advanceTo(77);
    EXPECT_EQ(walk.sectorsPerTrack, 23u);
    walk.advanceTo(120);
    EXPECT_EQ(walk.sectorsPerTrack, 23u);
    EXPECT_EQ(walk.zoneIndex, 3u);
}

}  // namespace
}  // namespace qvx
