// The six image types QVX understands and every fact that differs between them: geometry, the
// header and directory places, and where the BAM lies.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace qvx {

// An enumeration, so that a switch that forgets a type draws a warning.
enum DiskType : std::int8_t {
    kTypeUnknown = -1,  // undetermined; indexes nothing
    kTypeD64 = 0,
    kTypeD64x40 = 1,
    kTypeD71 = 2,
    kTypeD80 = 3,
    kTypeD81 = 4,
    kTypeD82 = 5,
};
constexpr int kDiskTypeCount = 6;

// DOS variant of a 40-track D64; none for every other type.
enum DiskSubType : std::uint8_t {
    kSubTypeNone = 0,
    kSubTypeDolphin = 1,
    kSubTypeSpeed = 2,
};

// How the image file holds the disk: its sectors in order, or a G64's GCR tracks, which the load
// decodes into the sectors of a 35- or 40-track D64.
enum DiskContainer : std::uint8_t {
    kContainerSectors = 0,
    kContainerG64 = 1,
};

constexpr std::uint32_t kSectorSize = 256;
using Sector = std::array<std::uint8_t, kSectorSize>;

// Where Dolphin DOS and SpeedDOS keep the BAM of tracks 36 to 40 in the header sector of a
// 40-track D64, indexed by DiskSubType: five entries of a free count and three bitmap bytes.
constexpr std::size_t kExtraBamOffset[] = {0, 0xAC, 0xC0};
constexpr std::size_t kExtraBamTracks = 5;
constexpr std::size_t kExtraBamEntrySize = 4;

struct Zone {
    std::uint8_t tracks;
    std::uint8_t sectorsPerTrack;
};

// The 1541's disk, which the D64 rows of kDiskFormats describe and a G64 holds as GCR tracks: at
// most 40 tracks, at most 21 sectors on a track (those of the first speed zone).
constexpr std::uint8_t kD64MaxTracks = 40;
constexpr std::uint8_t kD64MaxSectors = 21;

// One BAM sector: its place, and its entries, each a free count (where entrySize leaves room
// for one before the type's bitmapBytes) and then the bitmap, little-endian.
struct BamSector {
    std::uint8_t track;
    std::uint8_t sector;
    std::uint8_t firstEntry;  // offset of the first entry in the sector
    std::uint8_t entrySize;
    std::uint8_t entries;  // tracks described; 0: bytes 4 and 5 of the sector give the range
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
    const BamSector* bamSectors;  // in the order they are read
    std::uint8_t bamSectorCount;
    std::uint8_t bitmapBytes;  // of each BAM entry
    // Besides dirTrack, the track whose free sectors are left out of the free count; 0 for none.
    std::uint8_t uncountedTrack;
};

extern const std::array<DiskFormat, kDiskTypeCount> kDiskFormats;

constexpr bool isKnownType(DiskType type) {
    return type >= 0 && type < kDiskTypeCount;
}

// The name the listing gives the type: the table's, or for a G64 "G64 35-TRACK" or
// "G64 40-TRACK". Needs a known type.
std::string_view diskTypeName(DiskType type, DiskContainer container);

// File size of an image of the format, without or with one error byte per sector.
constexpr std::int64_t imageSize(const DiskFormat& format, bool errorBytes) {
    return std::int64_t{format.totalSectors} * (kSectorSize + (errorBytes ? 1 : 0));
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
