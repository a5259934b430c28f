// decodeTrack: finds the sync marks of a GCR track a 64-bit window at a time, reads every header
// block and follows the ones of wanted sectors to their data blocks.
#include "disk/gcr.h"

#include <algorithm>
#include <optional>

namespace qvx {

namespace {

constexpr std::uint8_t kHeaderBlockId = 0x08;
constexpr std::uint8_t kDataBlockId = 0x07;
// Ten GCR bytes make a header block: id, checksum, sector, track, the two ID bytes, two fill
// bytes. 325 make a data block: id, 256 bytes, checksum, two off bytes.
constexpr std::size_t kHeaderGroups = 2;
constexpr std::size_t kDataGroups = 65;
constexpr std::size_t kGroupBits = 40;
constexpr std::size_t kHeaderBits = kHeaderGroups * kGroupBits;
constexpr std::size_t kDataBits = kDataGroups * kGroupBits;
// Bits a scan window has seen before the first start it answers for: more than a sync needs.
constexpr std::size_t kLead = 16;
constexpr std::size_t kWindowStep = 6;                             // bytes: 64 bits less the lead
constexpr std::uint64_t kAnswersFor = ~std::uint64_t{0} >> kLead;  // window bits 16 to 63
constexpr std::size_t kNone = ~std::size_t{0};
// Bytes of the ring's start appended after its end: more than a data block.
constexpr std::size_t kTrackWrap = 400;
// A drive meets every copy of a header in turn; more than a few copies of one sector are
// counted, not read.
constexpr std::uint16_t kCopiesRead = 4;

using Block = std::array<std::uint8_t, kDataGroups * 4>;

// Ten GCR bits to the byte of their two nibbles, one table for each of the four places of a
// pair in its group, the byte shifted there; a pair that is not GCR sets the bit 32 places
// above its byte. Made on first use: 32 KB that the module file need not carry.
using PairTable = std::array<std::uint64_t, 1024>;
std::array<PairTable, 4> makePairTables() {
    constexpr std::uint8_t kCodes[16] = {0x0A, 0x0B, 0x12, 0x13, 0x0E, 0x0F, 0x16, 0x17,
                                         0x09, 0x19, 0x1A, 0x1B, 0x0D, 0x1D, 0x1E, 0x15};
    std::array<int, 32> nibble{};
    nibble.fill(-1);
    for (int v = 0; v < 16; ++v) nibble[kCodes[v]] = v;
    std::array<PairTable, 4> tables{};
    for (std::size_t i = 0; i < 1024; ++i) {
        const int high = nibble[i >> 5], low = nibble[i & 0x1F];
        const std::uint64_t value = high < 0 || low < 0
                                        ? std::uint64_t{1} << 32
                                        : static_cast<std::uint64_t>(high << 4 | low);
        for (int k = 0; k < 4; ++k) tables[k][i] = value << (8 * k);
    }
    return tables;
}

// Built when the module loads, not at first use: no guard, and G64s may be read on any thread.
const std::array<PairTable, 4> kGcrPairs = makePairTables();

// Eight bytes, the first the most significant: written out so that compilers make it one load.
inline std::uint64_t load64(const std::uint8_t* p) {
    return std::uint64_t{p[0]} << 56 | std::uint64_t{p[1]} << 48 | std::uint64_t{p[2]} << 40 |
           std::uint64_t{p[3]} << 32 | std::uint64_t{p[4]} << 24 | std::uint64_t{p[5]} << 16 |
           std::uint64_t{p[6]} << 8 | std::uint64_t{p[7]};
}

// Decodes groups of five GCR bytes into four bytes each, from any bit; false when a code was
// not GCR (the group's bytes then stand for nothing).
bool decodeGroups(const std::uint8_t* bits, std::size_t at, std::uint8_t* out, std::size_t groups) {
    std::uint64_t flags = 0;
    const std::uint8_t* p = bits + at / 8;
    const unsigned shift = at % 8;
    for (std::size_t g = 0; g < groups; ++g, p += 5, out += 4) {
        const std::uint64_t v = load64(p) << shift;  // the group in the top 40 bits
        auto pair = [v](int end) { return static_cast<std::size_t>((v >> end) & 0x3FF); };
        const std::uint64_t word = kGcrPairs[0][pair(54)] | kGcrPairs[1][pair(44)] |
                                   kGcrPairs[2][pair(34)] | kGcrPairs[3][pair(24)];
        out[0] = static_cast<std::uint8_t>(word);
        out[1] = static_cast<std::uint8_t>(word >> 8);
        out[2] = static_cast<std::uint8_t>(word >> 16);
        out[3] = static_cast<std::uint8_t>(word >> 24);
        flags |= word;
    }
    return (flags >> 32) == 0;
}

// The first block start in [from, end): a zero bit after ten or more one bits, which is where a
// drive's byte counting begins after a sync. Each window answers for the starts in its last 48
// bits, having seen the 16 before them.
std::size_t nextBlockStart(const std::uint8_t* bits, std::size_t from, std::size_t end) {
    std::size_t byte = (from - kLead) / 8;
    std::uint64_t answers = ~std::uint64_t{0} >> (from - 8 * byte);
    for (; 8 * byte + kLead < end; byte += kWindowStep, answers = kAnswersFor) {
        const std::uint64_t w = load64(bits + byte);
        const std::uint64_t ones2 = w & (w << 1);
        const std::uint64_t ones4 = ones2 & (ones2 << 2);
        const std::uint64_t ones10 = ones4 & (ones4 << 4) & (ones2 << 8);
        const std::uint64_t starts = (ones10 >> 10) & ~w & answers;
        if (starts != 0) {
            const std::size_t at = 8 * byte + static_cast<std::size_t>(__builtin_clzll(starts));
            return at < end ? at : kNone;
        }
    }
    return kNone;
}

// A header taken for a wanted sector, waiting for the next block to be its data block.
struct Candidate {
    std::uint32_t sector;
    std::array<std::uint8_t, 2> id;
};

std::optional<Candidate> takeHeader(const std::uint8_t* header, std::uint32_t track,
                                    std::uint32_t sectorCount, TrackRead& read) {
    if (header[3] != track || header[2] >= sectorCount) return std::nullopt;
    SectorRead& s = read.sectors[header[2]];
    ++s.copies;  // cannot overflow: a track of 65535 bytes has room for fewer block starts
    if (s.code == kSectorOk || s.copies > kCopiesRead) return std::nullopt;
    const Candidate c{header[2], {header[4], header[5]}};
    if ((header[2] ^ header[3] ^ header[4] ^ header[5]) != header[1]) {
        // A header that fails its checksum cannot be trusted to name its sector's data.
        if (s.copies == 1) {
            s.code = kHeaderChecksum;
            s.id = c.id;
        }
        return std::nullopt;
    }
    return c;
}

// Reads the block at bit `at` as the candidate's data block. The first copy of a sector sets its
// outcome, a later one only when it reads fine. True when the block was a data block of GCR
// throughout, which holds no sync: the scan may go on after it.
bool takeData(const std::uint8_t* bits, std::size_t at, const Candidate& c, TrackRead& read,
              std::uint8_t* sectorData) {
    Block block;
    const bool gcr = decodeGroups(bits, at, block.data(), kDataGroups);
    SectorCode code = kNoDataBlock;
    if (block[0] == kDataBlockId) {
        std::uint8_t sum = 0;
        for (std::size_t i = 1; i <= 256; ++i) sum ^= block[i];
        code = sum == block[257] ? kSectorOk : kDataChecksum;
    }
    SectorRead& s = read.sectors[c.sector];
    if (s.copies == 1 || code == kSectorOk) {
        s.code = code;
        s.id = c.id;
        if (code != kNoDataBlock) std::copy_n(block.begin() + 1, 256, sectorData + 256 * c.sector);
    }
    return code != kNoDataBlock && gcr;
}

// Appends the ring's start after its end; zeros when the track is empty.
void wrapRing(std::vector<std::uint8_t>& bits, std::size_t length) {
    bits.resize(length + kTrackWrap);
    if (length >= kTrackWrap) {
        std::copy_n(bits.begin(), kTrackWrap, bits.begin() + length);
        return;
    }
    for (std::size_t i = 0; i < kTrackWrap; ++i)
        bits[length + i] = length == 0 ? 0 : bits[i % length];
}

}  // namespace

int driveErrorNumber(SectorCode code) {
    return code == kSectorOk ? 0 : 18 + code;
}

TrackRead decodeTrack(std::vector<std::uint8_t>& bits, std::size_t length, std::uint32_t track,
                      std::uint32_t sectorCount, std::uint8_t* sectorData) {
    TrackRead read;
    sectorCount = std::min<std::uint32_t>(sectorCount, kMaxTrackSectors);
    wrapRing(bits, length);
    const std::uint8_t* b = bits.data();
    // Starts are looked for in bits 16 to 8 * length + 15: the ring's first 16 bits come last,
    // from the wrap, with the bits before them in view.
    const std::size_t end = 8 * length + kLead;
    std::size_t first = kNone;
    std::optional<Candidate> pending;
    for (std::size_t pos = kLead, at; (at = nextBlockStart(b, pos, end)) != kNone;) {
        if (first == kNone) first = at;
        pos = at + 1;
        if (pending) {
            const bool skip = takeData(b, at, *pending, read, sectorData);
            pending.reset();
            if (skip) {
                pos = at + kDataBits;
                continue;
            }
        }
        std::array<std::uint8_t, kHeaderGroups * 4> header;
        const bool gcr = decodeGroups(b, at, header.data(), kHeaderGroups);
        if (header[0] != kHeaderBlockId) continue;
        if (gcr) pos = at + kHeaderBits;
        pending = takeHeader(header.data(), track, sectorCount, read);
    }
    // The ring goes on: a header near the end has the track's first block as its next one.
    if (pending) takeData(b, first, *pending, read, sectorData);

    read.sync = first != kNone;
    if (!read.sync) {
        read.onlyOneBits =
            length > 0 && std::all_of(b, b + length, [](std::uint8_t v) { return v == 0xFF; });
        for (std::uint32_t s = 0; s < sectorCount; ++s) read.sectors[s].code = kNoSync;
    }
    return read;
}

}  // namespace qvx
