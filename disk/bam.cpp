// getBAMEntries: reads the BAM sectors at their fixed places and appends one bitmap per track.
#include "disk/bam.h"

#include <algorithm>
#include <array>
#include <memory>
#include <new>

#include "base/trace.h"
#include "disk/file.h"

namespace qvx {

namespace {

using Sector = std::array<std::uint8_t, kSectorSize>;

constexpr std::uint32_t kD64Tracks = 35;
constexpr std::uint32_t kExtraTracks = 5;  // tracks 36-40 of a Dolphin DOS or SpeedDOS disk
constexpr std::size_t kDolphinBase = 0xAC;
constexpr std::size_t kSpeedBase = 0xC0;
constexpr std::int64_t kD71SideTwoBam = 0x41000;  // track 53 sector 0
constexpr std::uint32_t kD71SideTwoTracks = 35;
constexpr std::int64_t kD81Bam = 0x61900;  // track 40 sector 1
constexpr std::uint32_t kD81BamSectors = 2;
constexpr std::uint32_t kD81TracksPerSector = 40;
constexpr std::int64_t kD80Bam = 0x43100;  // track 38 sector 0
constexpr std::size_t kD80EntrySize = 5;
constexpr std::size_t kD80FirstBitmap = 7;
// Entries from offset 6 to the sector's end: a longer range is cut here.
constexpr std::uint32_t kD80MaxEntries = (kSectorSize - 6) / kD80EntrySize;

// Little-endian value of count bytes from offset; bytes past the sector's end count as 0.
BamTrack bitmapAt(const Sector& sector, std::size_t offset, std::size_t count) {
    BamTrack value = 0;
    for (std::size_t i = 0; i < count && offset + i < sector.size(); ++i)
        value |= BamTrack{sector[offset + i]} << (8 * i);
    return value;
}

}  // namespace

void getBAMEntries(const std::u16string& path, DiskImage& image) {
    ImageFile file(path);
    if (!file.isOpen()) {
        logDebug(u"getBAMEntries - can't open file <" + path + u">\n");
        return;
    }
    std::unique_ptr<Sector> buffer;
    try {
        buffer = std::make_unique<Sector>();
    } catch (const std::bad_alloc&) {
        logDebug(u"getBAMEntries - can't allocate memory");
        return;
    }
    Sector& sector = *buffer;
    std::vector<BamTrack>& tracks = image.bamTracks;

    // A short read keeps the buffer's earlier bytes past what arrived; only nothing at all fails.
    auto readSector = [&](bool positioned) {
        if (positioned && file.read(sector.data(), sector.size()) != 0) return true;
        logDebug(u"getBAMEntries - can't read from file <" + path + u">");
        return false;
    };

    switch (image.type) {
        case kTypeD64:
        case kTypeD64x40:
        case kTypeD71: {
            if (!readSector(file.seek(kDiskFormats[image.type].headerOffset))) return;
            tracks.reserve(tracks.size() + kDiskFormats[image.type].trackCount);
            for (std::size_t t = 1; t <= kD64Tracks; ++t)
                tracks.push_back(bitmapAt(sector, 4 * t + 1, 3));
            if (image.type == kTypeD64x40) {
                std::size_t base = 0;
                if (image.subType == kSubTypeDolphin) base = kDolphinBase;
                if (image.subType == kSubTypeSpeed) base = kSpeedBase;
                if (base == 0) return;
                for (std::size_t k = 0; k < kExtraTracks; ++k)
                    tracks.push_back(bitmapAt(sector, base + 4 * k + 1, 3));
            } else if (image.type == kTypeD71) {
                if (!readSector(file.seek(kD71SideTwoBam))) return;
                for (std::size_t k = 0; k < kD71SideTwoTracks; ++k)
                    tracks.push_back(bitmapAt(sector, 3 * k, 3));
            }
            return;
        }
        case kTypeD81: {
            bool positioned = file.seek(kD81Bam);
            tracks.reserve(tracks.size() + kD81BamSectors * kD81TracksPerSector);
            for (std::uint32_t n = 0; n < kD81BamSectors; ++n) {
                if (!readSector(positioned)) return;
                for (std::size_t k = 0; k < kD81TracksPerSector; ++k)
                    tracks.push_back(bitmapAt(sector, 0x11 + 6 * k, 5));
            }
            return;
        }
        case kTypeD80:
        case kTypeD82: {
            const std::uint32_t bamSectors = image.type == kTypeD80 ? 2 : 4;
            bool positioned = file.seek(kD80Bam);
            tracks.reserve(tracks.size() + kDiskFormats[image.type].trackCount);
            for (std::uint32_t n = 0; n < bamSectors; ++n) {
                if (n > 0) positioned = file.seekRelative(2 * std::int64_t{kSectorSize});
                if (!readSector(positioned)) return;
                const std::uint32_t first = sector[4];
                const std::uint32_t end = sector[5];
                if (end <= first) continue;
                const std::uint32_t entries = std::min(end - first, kD80MaxEntries);
                for (std::size_t k = 0; k < entries; ++k)
                    tracks.push_back(bitmapAt(sector, kD80FirstBitmap + kD80EntrySize * k, 4));
            }
            return;
        }
        default:
            logDebug(u"getBAMEntries - unknown disk type");
            return;
    }
}

}  // namespace qvx
