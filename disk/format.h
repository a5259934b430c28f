// The six image types QVX understands and the fixed geometry of each.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace qvx {

using DiskType = std::int8_t;  // -1 undetermined, else an index into kDiskFormats
constexpr DiskType kTypeUnknown = -1;
constexpr DiskType kTypeD64 = 0;
constexpr DiskType kTypeD64x40 = 1;
constexpr DiskType kTypeD71 = 2;
constexpr DiskType kTypeD80 = 3;
constexpr DiskType kTypeD81 = 4;
constexpr DiskType kTypeD82 = 5;
constexpr int kDiskTypeCount = 6;

using DiskSubType = std::uint8_t;  // DOS variant of a 40-track D64
constexpr DiskSubType kSubTypeNone = 0;
constexpr DiskSubType kSubTypeDolphin = 1;
constexpr DiskSubType kSubTypeSpeed = 2;

constexpr std::uint32_t kSectorSize = 256;

struct Zone {
    std::uint8_t tracks;
    std::uint8_t sectorsPerTrack;
};

struct DiskFormat {
    std::uint32_t headerOffset;  // file offset of the header sector
    std::uint8_t dirTrack;
    std::uint8_t firstDirSector;
    std::uint8_t nameOffset;
    std::uint8_t idOffset;
    std::uint8_t dosTypeOffset;
    std::uint16_t totalSectors;
    std::uint8_t trackCount;
    const Zone* zones;
    std::uint8_t zoneCount;  // the walk never steps past the last pair
    std::string_view typeName;
};

extern const std::array<DiskFormat, kDiskTypeCount> kDiskFormats;

constexpr bool isKnownType(DiskType type) {
    return type >= 0 && type < kDiskTypeCount;
}

// Sectors on one track (1-based) of a known type; 0 for a track outside the type.
std::uint32_t sectorsOnTrack(DiskType type, std::uint32_t track);

// Byte offset of sector (track, sector), tracks from 1, sectors from 0, in an image of the type.
std::uint64_t sectorOffset(DiskType type, std::uint32_t track, std::uint32_t sector);

// Steps through the tracks of a zone table, one track at a time, from track 1.
struct ZoneWalk {
    const DiskFormat& format;
    std::uint32_t zoneIndex = 0;
    std::uint32_t zoneEnd;
    std::uint32_t sectorsPerTrack;

    explicit ZoneWalk(const DiskFormat& f)
        : format(f), zoneEnd(f.zones[0].tracks), sectorsPerTrack(f.zones[0].sectorsPerTrack) {}

    // Makes sectorsPerTrack that of the track; tracks beyond the table keep the last pair's.
    void advanceTo(std::uint32_t track) {
        while (track > zoneEnd && zoneIndex + 1 < format.zoneCount) {
            ++zoneIndex;
            zoneEnd += format.zones[zoneIndex].tracks;
            sectorsPerTrack = format.zones[zoneIndex].sectorsPerTrack;
        }
    }
};

}  // namespace qvx
