// A file's sectors on an image held in memory: its chain followed link by link, each sector at
// most once, so that no chain can make a file larger than the image.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "disk/image.h"

namespace qvx {

// Why a file did not come out whole (None: it did).
enum class ChainDamage : std::uint8_t {
    None,
    FirstSectorOutOfRange,  // the entry's first track/sector lies outside the image
    LinkOutOfImage,         // a link points outside the image
    SectorTwice,            // a link comes back to a sector of the same chain
    InfoBlockOutOfRange,    // a GEOS entry's info block lies outside the image
};

// A sector a drive could not have read: its error byte (or G64 code) is not 1.
struct BadSector {
    std::uint8_t track;
    std::uint8_t sector;
    std::uint8_t code;
};

// An image's bytes as a D-file lays them out, with the type that gives them their geometry.
// sectors holds the sectors and, when errorBytes, one error byte per sector after them; it may be
// shorter than the type's size (what is missing lies outside the image).
struct SectorImage {
    DiskType type = kTypeUnknown;
    const std::vector<std::uint8_t>* sectors = nullptr;
    bool errorBytes = false;
};

struct ChainRead {
    std::uint64_t size = 0;         // data bytes of the chain, as far as it goes
    std::uint32_t sectorCount = 0;  // sectors read
    std::uint8_t lastByte = 0;      // the last sector's second byte, as stored
    ChainDamage damage = ChainDamage::None;
    std::vector<BadSector> unreadable;  // in chain order
};

// The 256 bytes of sector (track, sector), or null when it lies outside the image. Appends the
// sector to unreadable when its error byte says a drive would have failed there.
const std::uint8_t* sectorBytes(const SectorImage& image, std::uint32_t track, std::uint32_t sector,
                                std::vector<BadSector>& unreadable);

// Follows the chain from (track, sector): 254 data bytes a sector, the last sector's second byte
// giving its last byte. Appends the data to out when out is given (nothing else is written), so
// that sizing a file costs no copy. A first track of 0 is an empty file. A link out of the image
// or back into the chain ends it there, with the data read so far and the damage named.
// visited, when given, holds the sectors other chains of the same file took (one flag per sector
// in image order, sized by the call when empty): meeting one of them is SectorTwice too, and this
// chain's sectors are added, so that no file, however many chains it has, outgrows the image.
ChainRead readChain(const SectorImage& image, std::uint8_t track, std::uint8_t sector,
                    std::vector<std::uint8_t>* out, std::vector<bool>* visited = nullptr);

}  // namespace qvx
