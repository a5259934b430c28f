// The G64 writer of the tests: GCR encoding, 1541 track layout, the file's header and tables.
#include "support/g64_writer.h"

#include <algorithm>

#include "disk/format.h"

namespace qvx::test {

namespace {

constexpr std::uint8_t kGap = 0x55;
constexpr std::size_t kSyncLength = 5;
constexpr std::size_t kHeaderGap = 9;
constexpr std::size_t kHeaderGcr = 10;
constexpr std::size_t kBlockSpan = 2 * kSyncLength + kHeaderGcr + kHeaderGap + 325;

// Bytes per track and the speed a 1541 writes each zone at, fastest zone first.
constexpr std::size_t kZoneLength[] = {7692, 7142, 6666, 6250};
std::uint8_t speedZone(std::uint32_t track) {
    return track <= 17 ? 3 : track <= 24 ? 2 : track <= 30 ? 1 : 0;
}

Damage damageOf(const std::vector<SectorDamage>& damage, std::uint32_t track, std::uint32_t s) {
    for (const SectorDamage& d : damage)
        if (d.track == track && d.sector == s) return d.damage;
    return Damage::kNone;
}

std::vector<std::uint8_t> headerBytes(std::uint32_t track, std::uint32_t sector,
                                      std::array<std::uint8_t, 2> id) {
    const auto t = static_cast<std::uint8_t>(track), s = static_cast<std::uint8_t>(sector);
    return {0x08, static_cast<std::uint8_t>(s ^ t ^ id[0] ^ id[1]), s, t, id[1], id[0], 0x0F, 0x0F};
}

std::vector<std::uint8_t> dataBytes(const std::uint8_t* data) {
    std::vector<std::uint8_t> bytes{0x07};
    std::uint8_t sum = 0;
    for (std::size_t i = 0; i < 256; ++i) {
        bytes.push_back(data[i]);
        sum ^= data[i];
    }
    bytes.insert(bytes.end(), {sum, 0x00, 0x00});
    return bytes;
}

void append(std::vector<std::uint8_t>& to, const std::vector<std::uint8_t>& bytes) {
    to.insert(to.end(), bytes.begin(), bytes.end());
}

// The track's bits moved on by bits (0 to 7) round the ring.
void shiftRing(std::vector<std::uint8_t>& track, unsigned bits) {
    if (bits == 0 || track.empty()) return;
    const std::vector<std::uint8_t> old = track;
    for (std::size_t i = 0; i < old.size(); ++i) {
        const std::uint8_t before = old[(i + old.size() - 1) % old.size()];
        track[i] = static_cast<std::uint8_t>((old[i] >> bits) | (before << (8 - bits)));
    }
}

std::vector<std::uint8_t> formatted(const std::uint8_t* sectors, std::uint32_t track,
                                    std::uint32_t sectorCount, std::array<std::uint8_t, 2> id,
                                    const std::vector<SectorDamage>& damage, bool sync) {
    const std::size_t length = kZoneLength[3 - speedZone(track)];
    const std::size_t tail = (length - sectorCount * kBlockSpan) / sectorCount;
    const std::vector<std::uint8_t> noSync(kSyncLength, kGap);
    std::vector<std::uint8_t> out;
    out.reserve(length);
    for (std::uint32_t s = 0; s < sectorCount; ++s) {
        const Damage d = damageOf(damage, track, s);
        std::vector<std::uint8_t> header = headerBytes(track, s, id);
        if (d == Damage::kHeaderChecksum) header[1] ^= 0xFF;
        if (d == Damage::kOtherId)
            header = headerBytes(track, s, {static_cast<std::uint8_t>(id[0] ^ 1), id[1]});
        if (d == Damage::kNoHeader) {
            out.insert(out.end(), kSyncLength + kHeaderGcr, kGap);
        } else {
            append(out, sync ? syncMark() : noSync);
            append(out, gcrEncode(header));
        }
        out.insert(out.end(), kHeaderGap, kGap);
        append(out, sync && d != Damage::kNoDataBlock ? syncMark() : noSync);
        std::vector<std::uint8_t> data = dataBytes(sectors + 256 * s);
        if (d == Damage::kDataChecksum) data[257] ^= 0xFF;
        append(out, gcrEncode(data));
        out.insert(out.end(), tail, kGap);
    }
    out.resize(length, kGap);
    return out;
}

}  // namespace

std::vector<std::uint8_t> gcrEncode(const std::vector<std::uint8_t>& bytes) {
    static const std::uint8_t kCodes[16] = {0x0A, 0x0B, 0x12, 0x13, 0x0E, 0x0F, 0x16, 0x17,
                                            0x09, 0x19, 0x1A, 0x1B, 0x0D, 0x1D, 0x1E, 0x15};
    std::vector<std::uint8_t> out;
    std::uint64_t bits = 0;
    int count = 0;
    for (std::uint8_t b : bytes) {
        bits = (bits << 10) | (kCodes[b >> 4] << 5) | kCodes[b & 0xF];
        for (count += 10; count >= 8; count -= 8)
            out.push_back(static_cast<std::uint8_t>(bits >> (count - 8)));
    }
    if (count > 0) out.push_back(static_cast<std::uint8_t>(bits << (8 - count)));
    return out;
}

std::vector<std::uint8_t> headerBlock(std::uint32_t track, std::uint32_t sector,
                                      std::array<std::uint8_t, 2> id) {
    return gcrEncode(headerBytes(track, sector, id));
}

std::vector<std::uint8_t> dataBlock(const std::uint8_t* data) {
    return gcrEncode(dataBytes(data));
}

std::vector<std::uint8_t> syncMark() {
    return std::vector<std::uint8_t>(kSyncLength, 0xFF);
}

std::vector<std::uint8_t> formatTrack(const std::uint8_t* sectors, std::uint32_t track,
                                      std::uint32_t sectorCount, std::array<std::uint8_t, 2> id,
                                      const std::vector<SectorDamage>& damage) {
    return formatted(sectors, track, sectorCount, id, damage, true);
}

std::vector<std::uint8_t> g64File(const std::vector<std::vector<std::uint8_t>>& entries,
                                  std::uint16_t trackSize, std::uint8_t halfTracks) {
    std::vector<std::uint8_t> file = {'G',
                                      'C',
                                      'R',
                                      '-',
                                      '1',
                                      '5',
                                      '4',
                                      '1',
                                      0,
                                      halfTracks,
                                      static_cast<std::uint8_t>(trackSize),
                                      static_cast<std::uint8_t>(trackSize >> 8)};
    const std::size_t tables = file.size();
    file.resize(tables + 8 * std::size_t{halfTracks}, 0);
    auto put32 = [&file](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) file[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    };
    for (std::size_t entry = 0; entry < halfTracks && entry < entries.size(); ++entry) {
        const std::vector<std::uint8_t>& track = entries[entry];
        if (track.empty()) continue;
        put32(tables + 4 * entry, static_cast<std::uint32_t>(file.size()));
        put32(tables + 4 * (halfTracks + entry),
              speedZone(static_cast<std::uint32_t>(entry / 2 + 1)));
        file.push_back(static_cast<std::uint8_t>(track.size()));
        file.push_back(static_cast<std::uint8_t>(track.size() >> 8));
        append(file, track);
        if (track.size() < trackSize) file.insert(file.end(), trackSize - track.size(), 0);
    }
    return file;
}

std::vector<std::uint8_t> g64FromD64(const std::vector<std::uint8_t>& d64,
                                     const G64Options& options) {
    const DiskType type =
        d64.size() >= imageSize(kDiskFormats[kTypeD64x40], false) ? kTypeD64x40 : kTypeD64;
    const DiskFormat& format = kDiskFormats[type];
    const std::array<std::uint8_t, 2> id = {d64[format.headerOffset + format.idOffset],
                                            d64[format.headerOffset + format.idOffset + 1]};
    const std::uint32_t trackCount = options.tracks != 0 ? options.tracks : format.trackCount;
    const std::vector<std::uint8_t> junk(21 * 256, 0xEE);
    std::vector<std::vector<std::uint8_t>> entries(2 * trackCount);
    for (std::uint32_t t = 1; t <= trackCount; ++t) {
        std::vector<std::uint8_t>& track = entries[2 * (t - 1)];
        const std::uint32_t spt = sectorsOnTrack(kTypeD64x40, t);
        const bool noSync =
            std::find(options.noSync.begin(), options.noSync.end(), t) != options.noSync.end();
        if (t <= format.trackCount)
            track = formatted(d64.data() + sectorOffset(type, t, 0), t, spt, id, options.damage,
                              !noSync);
        else
            track.assign(kZoneLength[3 - speedZone(std::min<std::uint32_t>(t, 40))], kGap);
        std::rotate(track.begin(), track.begin() + options.rotate % track.size(), track.end());
        shiftRing(track, options.bitShift);
        if (options.halfTracks && spt != 0)
            entries[2 * t - 1] = formatted(junk.data(), t, spt, id, {}, true);
    }
    return g64File(entries, 7928, static_cast<std::uint8_t>(std::max(84u, 2 * trackCount)));
}

}  // namespace qvx::test
