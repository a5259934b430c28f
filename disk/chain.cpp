// readChain: the visited sectors are marked in a bitmap the size of the image.
#include "disk/chain.h"

#include "disk/format.h"

namespace qvx {

namespace {

constexpr std::size_t kLinkBytes = 2;
constexpr std::size_t kDataBytes = kSectorSize - kLinkBytes;
constexpr std::uint8_t kNoError = 1;

// The sector's number in image order, or -1 when the type has no such sector.
std::int64_t sectorNumber(DiskType type, std::uint32_t track, std::uint32_t sector) {
    if (sector >= sectorsOnTrack(type, track)) return -1;
    return static_cast<std::int64_t>(sectorOffset(type, track, sector) / kSectorSize);
}

}  // namespace

const std::uint8_t* sectorBytes(const SectorImage& image, std::uint32_t track, std::uint32_t sector,
                                std::vector<BadSector>& unreadable) {
    if (image.sectors == nullptr) return nullptr;
    const std::int64_t number = sectorNumber(image.type, track, sector);
    const std::vector<std::uint8_t>& bytes = *image.sectors;
    if (number < 0 || static_cast<std::uint64_t>(number + 1) * kSectorSize > bytes.size())
        return nullptr;
    if (image.errorBytes) {
        const std::size_t codeAt =
            std::size_t{kDiskFormats[image.type].totalSectors} * kSectorSize +
            static_cast<std::size_t>(number);
        const std::uint8_t code = codeAt < bytes.size() ? bytes[codeAt] : kNoError;
        if (code != kNoError)
            unreadable.push_back(
                {static_cast<std::uint8_t>(track), static_cast<std::uint8_t>(sector), code});
    }
    return bytes.data() + number * kSectorSize;
}

ChainRead readChain(const SectorImage& image, std::uint8_t track, std::uint8_t sector,
                    std::vector<std::uint8_t>* out, std::vector<bool>* shared) {
    ChainRead read;
    if (track == 0) return read;
    if (!isKnownType(image.type)) {
        read.damage = ChainDamage::FirstSectorOutOfRange;
        return read;
    }
    std::vector<bool> own;
    std::vector<bool>& visited = shared != nullptr ? *shared : own;
    visited.resize(kDiskFormats[image.type].totalSectors);
    for (;;) {
        const std::int64_t number = sectorNumber(image.type, track, sector);
        if (number >= 0 && visited[static_cast<std::size_t>(number)]) {
            read.damage = ChainDamage::SectorTwice;
            return read;
        }
        const std::uint8_t* bytes = sectorBytes(image, track, sector, read.unreadable);
        if (bytes == nullptr) {
            read.damage = read.sectorCount == 0 ? ChainDamage::FirstSectorOutOfRange
                                                : ChainDamage::LinkOutOfImage;
            return read;
        }
        visited[static_cast<std::size_t>(number)] = true;
        ++read.sectorCount;
        const std::uint8_t nextTrack = bytes[0];
        const std::uint8_t nextSector = bytes[1];
        read.lastByte = nextSector;
        // The last sector's second byte is the offset of its last data byte: below 2, none.
        const std::size_t count =
            nextTrack != 0 ? kDataBytes : (nextSector < kLinkBytes ? 0 : nextSector - 1u);
        if (out != nullptr) out->insert(out->end(), bytes + kLinkBytes, bytes + kLinkBytes + count);
        read.size += count;
        if (nextTrack == 0) return read;
        track = nextTrack;
        sector = nextSector;
    }
}

}  // namespace qvx
