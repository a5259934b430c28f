// The per-image record that the readers fill and the renderers read: the whole state of one window.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "disk/format.h"

namespace qvx {

// One directory entry, or the disk header when it is the first element of dirEntries.
struct DirEntry {
    std::array<std::uint8_t, 16> name{};  // raw, in the disk's character codes
    std::uint16_t blocks = 0;
    std::array<std::uint8_t, 3> fileType{};  // "DEL", "SEQ", ...; zero in the header record
    std::array<std::uint8_t, 2> id{};        // header record only
    std::array<std::uint8_t, 2> dosType{};   // header record only
    std::uint8_t locked = 0;
    std::uint8_t closed = 0;
};

// Free-sector bitmap of one track: bit n = sector n, 1 = free. Its list position is the track.
using BamTrack = std::uint64_t;

struct DiskImage {
    DiskType type = 0;
    DiskSubType subType = 0;
    std::uint8_t hasErrorBytes = 0;
    std::vector<DirEntry> dirEntries;
    std::vector<BamTrack> bamTracks;
    std::uint8_t wrapFlag = 0;
    std::uint8_t showState = 0;
    std::u16string bamMapText;
    std::u16string errorMapText;
    std::int16_t blocksFree = 0;
    std::int16_t errorCount = 0;
    std::vector<std::uint8_t> errorBytes;  // errorCount bytes once read
};

}  // namespace qvx
