// The format table: header position, directory layout, sector counts, zones and BAM per type.
#include "disk/format.h"

namespace qvx {

namespace {
constexpr Zone kD64Zones[] = {{17, kD64MaxSectors}, {7, 19}, {6, 18}, {5, 17}, {5, 17}};
constexpr Zone kD71Zones[] = {{17, 21}, {7, 19}, {6, 18}, {5, 17},
                              {17, 21}, {7, 19}, {6, 18}, {5, 17}};
constexpr Zone kD80Zones[] = {{39, 29}, {14, 27}, {11, 25}, {13, 23}};
constexpr Zone kD81Zones[] = {{80, 40}};
constexpr Zone kD82Zones[] = {{39, 29}, {14, 27}, {11, 25}, {13, 23},
                              {39, 29}, {14, 27}, {11, 25}, {13, 23}};

// The header sector holds the BAM of tracks 1 to 35 from offset 4; the D71's track 53 sector 0
// holds bare bitmaps of tracks 36 to 70; each D80/D82 sector names its own track range.
constexpr BamSector kD64Bam[] = {{18, 0, 4, 4, 35}};
constexpr BamSector kD71Bam[] = {{18, 0, 4, 4, 35}, {53, 0, 0, 3, 35}};
constexpr BamSector kD80Bam[] = {{38, 0, 6, 5, 0}, {38, 3, 6, 5, 0}};
constexpr BamSector kD81Bam[] = {{40, 1, 0x10, 6, 40}, {40, 2, 0x10, 6, 40}};
constexpr BamSector kD82Bam[] = {
    {38, 0, 6, 5, 0}, {38, 3, 6, 5, 0}, {38, 6, 6, 5, 0}, {38, 9, 6, 5, 0}};

template <typename T, std::size_t N>
constexpr std::uint8_t count(const T (&)[N]) {
    return static_cast<std::uint8_t>(N);
}
}  // namespace

const std::array<DiskFormat, kDiskTypeCount> kDiskFormats = {{
    {0x16500, 18, 1, 0x90, 0xA2, 0xA5, 683, 35, kD64Zones, count(kD64Zones), "D64 35-TRACK",
     kD64Bam, count(kD64Bam), 3, 0},
    {0x16500, 18, 1, 0x90, 0xA2, 0xA5, 768, kD64MaxTracks, kD64Zones, count(kD64Zones),
     "D64 40-TRACK", kD64Bam, count(kD64Bam), 3, 0},
    {0x16500, 18, 1, 0x90, 0xA2, 0xA5, 1366, 70, kD71Zones, count(kD71Zones), "D71", kD71Bam,
     count(kD71Bam), 3, 53},
    {0x44E00, 39, 1, 0x06, 0x18, 0x1B, 2083, 77, kD80Zones, count(kD80Zones), "D80", kD80Bam,
     count(kD80Bam), 4, 0},
    {0x61800, 40, 3, 0x04, 0x16, 0x19, 3200, 80, kD81Zones, count(kD81Zones), "D81", kD81Bam,
     count(kD81Bam), 5, 0},
    {0x44E00, 39, 1, 0x06, 0x18, 0x1B, 4166, 154, kD82Zones, count(kD82Zones), "D82", kD82Bam,
     count(kD82Bam), 4, 0},
}};

std::string_view diskTypeName(DiskType type, DiskContainer container) {
    if (container == kContainerG64) return type == kTypeD64x40 ? "G64 40-TRACK" : "G64 35-TRACK";
    return kDiskFormats[type].typeName;
}

std::uint32_t sectorsOnTrack(DiskType type, std::uint32_t track) {
    if (!isKnownType(type) || track < 1 || track > kDiskFormats[type].trackCount) return 0;
    ZoneWalk walk(kDiskFormats[type]);
    walk.advanceTo(track);
    return walk.sectorsPerTrack;
}

std::uint64_t sectorOffset(DiskType type, std::uint32_t track, std::uint32_t sector) {
    std::uint64_t before = 0;
    if (isKnownType(type)) {
        ZoneWalk walk(kDiskFormats[type]);
        for (std::uint32_t t = 1; t < track; ++t) {
            walk.advanceTo(t);
            before += walk.sectorsPerTrack;
        }
    }
    return kSectorSize * (before + sector);
}

}  // namespace qvx
