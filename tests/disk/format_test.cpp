// Geometry of the format table: sector counts, zone walk and sector offsets.
#include <gtest/gtest.h>

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
