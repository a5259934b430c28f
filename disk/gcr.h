// One track of a 1541 disk as its head reads it: the GCR bit ring turned into sectors and the
// error code the drive would report for each.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "disk/format.h"

namespace qvx {

// Error bytes as a D64 keeps them, each standing for the drive's error number in brackets.
enum SectorCode : std::uint8_t {
    kSectorOk = 1,
    kHeaderNotFound = 2,  // 20
    kNoSync = 3,          // 21
    kNoDataBlock = 4,     // 22
    kDataChecksum = 5,    // 23
    kHeaderChecksum = 9,  // 27
    kIdMismatch = 11,     // 29
};

// The drive's error number of a code: 20 for kHeaderNotFound, 0 for kSectorOk.
int driveErrorNumber(SectorCode code);

constexpr std::size_t kMaxTrackSectors = kD64MaxSectors;

// What one sector of a track came to.
struct SectorRead {
    SectorCode code = kHeaderNotFound;
    std::array<std::uint8_t, 2> id{};  // the ID of its header as stored: second byte first
    std::uint16_t copies = 0;          // headers found for it
};

struct TrackRead {
    std::array<SectorRead, kMaxTrackSectors> sectors{};
    bool sync = false;         // a sync mark somewhere on the track
    bool onlyOneBits = false;  // a sync without end: not one zero bit on the whole track
};

// Reads sectors 0 to sectorCount - 1 (at most kMaxTrackSectors) of the track from the first
// length bytes of bits, taken as a ring. Writes the 256 bytes of each sector into sectorData
// (sectorCount * 256 bytes) where a data block was read, and leaves them alone elsewhere.
// Changes bits: the ring's start is appended after length, so that blocks crossing the end read on.
// Every header block and data block is read at most a few times, so the work is bounded by the
// track's length.
TrackRead decodeTrack(std::vector<std::uint8_t>& bits, std::size_t length, std::uint32_t track,
                      std::uint32_t sectorCount, std::uint8_t* sectorData);

}  // namespace qvx
