// Writes G64 images the way a 1541 formats and writes its tracks, from the sectors of a D64, with
// chosen sectors damaged; and lets tests lay out tracks and files of their own.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace qvx::test {

// What is done to one sector on its track, named after what the drive then reports.
enum class Damage {
    kNone,
    kNoHeader,        // the header block is not written: 20
    kNoDataBlock,     // the data block's sync is not written: 22
    kDataChecksum,    // 23
    kHeaderChecksum,  // 27
    kOtherId,         // the header carries another ID, with its checksum right: 29
};

struct SectorDamage {
    std::uint32_t track;
    std::uint32_t sector;
    Damage damage;
};

struct G64Options {
    std::uint32_t tracks = 0;  // full tracks stored; 0: the D64's; further ones unformatted
    std::vector<SectorDamage> damage;
    std::vector<std::uint32_t> noSync;  // tracks written without a sync mark (21 on every sector)
    unsigned bitShift = 0;              // each track's bits moved on by this many, round the ring
    std::size_t rotate = 0;             // each track starts this many bytes into its first sector
    bool halfTracks = false;            // half tracks stored too, filled with syncs and junk
};

// Five GCR bytes for every four bytes.
std::vector<std::uint8_t> gcrEncode(const std::vector<std::uint8_t>& bytes);

// One header block, or one data block of 256 bytes, as GCR: the checksums right.
std::vector<std::uint8_t> headerBlock(std::uint32_t track, std::uint32_t sector,
                                      std::array<std::uint8_t, 2> id);
std::vector<std::uint8_t> dataBlock(const std::uint8_t* data);

// A sync mark: five bytes of one bits.
std::vector<std::uint8_t> syncMark();

// A track as a 1541 formats it, sectors in order, each: sync, header, gap, sync, data, gap; its
// length that of the track's speed zone. sectors holds sectorCount * 256 bytes.
std::vector<std::uint8_t> formatTrack(const std::uint8_t* sectors, std::uint32_t track,
                                      std::uint32_t sectorCount, std::array<std::uint8_t, 2> id,
                                      const std::vector<SectorDamage>& damage = {});

// A G64 file: version 0, the track size and half-track count given; entries[i] is the track
// table's entry i (full track i / 2 + 1 when i is even, a half track when odd), an empty one not
// stored (offset 0).
std::vector<std::uint8_t> g64File(const std::vector<std::vector<std::uint8_t>>& entries,
                                  std::uint16_t trackSize = 7928, std::uint8_t halfTracks = 84);

// A G64 of a 35- or 40-track D64 (its size tells; error bytes after the sectors are ignored),
// every header with the ID of the D64's header sector.
std::vector<std::uint8_t> g64FromD64(const std::vector<std::uint8_t>& d64,
                                     const G64Options& options = {});

}  // namespace qvx::test
