// readG64: the header and track table, each full track read and decoded in turn, then the ID
// check and the track count, which need every track; hasG64Signature for type detection.
#include "disk/g64.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string_view>

#include "base/text.h"
#include "base/trace.h"
#include "disk/file.h"
#include "disk/gcr.h"

namespace qvx {

namespace {

constexpr std::string_view kSignature = "GCR-1541";
constexpr std::size_t kHeaderSize = 12;  // signature, version, half tracks, track size
constexpr std::uint32_t kTracks = kD64MaxTracks;

struct G64Header {
    std::uint32_t halfTracks;
    std::uint32_t trackSize;
};

struct TrackState {
    TrackRead read;
    std::u16string note;   // what the file got wrong about the track
    bool missing = false;  // no bytes of it to read
    // Each thing of the note that is damage, as its problem; "not in the image" is none: a G64
    // need not store an unformatted track.
    std::vector<ProblemCode> damage;
};

std::optional<G64Header> readHeader(ImageFile& file) {
    std::array<std::uint8_t, kHeaderSize> h{};
    if (!file.isOpen() || file.read(h.data(), h.size()) != h.size() ||
        !std::equal(kSignature.begin(), kSignature.end(), h.begin()) || h[8] != 0)
        return std::nullopt;
    return G64Header{h[9], static_cast<std::uint32_t>(h[10] | h[11] << 8)};
}

// Offsets of full tracks 1 to 40: the even entries of the table; 0 where it has none.
std::array<std::uint32_t, kTracks> readOffsets(ImageFile& file, const G64Header& header,
                                               DiskImage& image) {
    std::array<std::uint8_t, 8 * kTracks> table{};
    const std::size_t wanted = 4 * std::min<std::size_t>(header.halfTracks, 2 * kTracks);
    const std::size_t got = file.read(table.data(), wanted);
    if (got < wanted) {
        logDebug(u"readG64 - track table cut short");
        image.problems.push_back({ProblemCode::G64TableCutShort, ProblemSource::G64});
    }
    std::array<std::uint32_t, kTracks> offsets{};
    for (std::size_t t = 0; t < kTracks && 8 * t + 4 <= got; ++t) {
        const std::uint8_t* p = &table[8 * t];
        offsets[t] = p[0] | p[1] << 8 | p[2] << 16 | std::uint32_t{p[3]} << 24;
    }
    return offsets;
}

// Reads a track's bytes into the front of bits; returns how many, noting where the file does
// not hold what its table and header say.
std::size_t readTrack(ImageFile& file, std::uint32_t offset, std::uint32_t trackSize,
                      std::vector<std::uint8_t>& bits, TrackState& state) {
    std::array<std::uint8_t, 2> size{};
    if (offset == 0) {
        state.note = u"not in the image";
    } else if (!file.seek(offset) || file.read(size.data(), size.size()) != size.size()) {
        state.note = joined({u"offset ", decimal(offset), u" past the end of the file"});
        state.damage.push_back(ProblemCode::G64OffsetPastEnd);
    }
    std::size_t length = size[0] | size[1] << 8;
    if (!state.note.empty()) {
        state.missing = true;
        return 0;
    }
    if (length > trackSize) {
        state.note = joined({u"length ", decimal(static_cast<std::int64_t>(length)),
                             u" beyond the track size ", decimal(trackSize)});
        state.damage.push_back(ProblemCode::G64TrackTooLong);
        length = trackSize;
    }
    bits.resize(length);
    const std::size_t got = file.read(bits.data(), length);
    if (got < length) {
        state.note += joined({state.note.empty() ? u"" : u"; ", u"cut short after ",
                              decimal(static_cast<std::int64_t>(got)), u" of ",
                              decimal(static_cast<std::int64_t>(length)), u" bytes"});
        state.damage.push_back(ProblemCode::G64TrackCutShort);
    }
    return got;
}

// A header read with its checksum right, whatever became of its data.
bool headerRead(SectorCode code) {
    return code == kSectorOk || code == kNoDataBlock || code == kDataChecksum;
}

// The drive compares each header's ID with the one it took from track 18; without a readable
// header of sector 0 there, nothing is compared.
void checkIds(std::array<TrackState, kTracks>& tracks) {
    // Sector 0's header on the directory track has the disk's ID.
    const SectorRead& reference = tracks[kDiskFormats[kTypeD64].dirTrack - 1].read.sectors[0];
    if (!headerRead(reference.code)) return;
    for (TrackState& t : tracks)
        for (SectorRead& s : t.read.sectors)
            if (headerRead(s.code) && s.id != reference.id) s.code = kIdMismatch;
}

bool formatted(const TrackState& track) {
    return std::any_of(
        track.read.sectors.begin(), track.read.sectors.end(),
        [](const SectorRead& s) { return s.code != kHeaderNotFound && s.code != kNoSync; });
}

// "3", "0-20", "1, 4-6": the sectors of the track whose read matches, in runs.
template <typename Match>
std::u16string sectorRuns(const TrackRead& read, std::uint32_t sectorCount, Match match) {
    std::u16string runs;
    for (std::uint32_t s = 0; s < sectorCount; ++s) {
        if (!match(read.sectors[s])) continue;
        std::uint32_t last = s;
        while (last + 1 < sectorCount && match(read.sectors[last + 1])) ++last;
        runs += joined({runs.empty() ? u"" : u", ", decimal(s)});
        if (last > s) runs += joined({u"-", decimal(last)});
        s = last;
    }
    return runs;
}

// One line for a track with errors or damage in the file, the sectors grouped by error; none for
// a track that read well.
void traceTrack(std::uint32_t track, const TrackState& state, std::uint32_t sectorCount) {
    const std::u16string prefix = joined({u"readG64 - track ", decimal(track), u": "});
    if (!state.note.empty()) logDebug(joined({prefix, state.note}));
    if (state.missing) return;
    if (!state.read.sync) {
        logDebug(joined({prefix, state.read.onlyOneBits ? u"sync without end" : u"no sync"}));
        return;
    }
    std::u16string line;
    for (SectorCode code :
         {kHeaderNotFound, kNoDataBlock, kDataChecksum, kHeaderChecksum, kIdMismatch}) {
        const std::u16string runs = sectorRuns(
            state.read, sectorCount, [code](const SectorRead& r) { return r.code == code; });
        if (!runs.empty())
            line += joined({line.empty() ? u"error " : u"; error ", decimal(driveErrorNumber(code)),
                            runs.find_first_of(u",-") == std::u16string::npos ? u" in sector "
                                                                              : u" in sectors ",
                            runs});
    }
    for (std::uint32_t s = 0; s < sectorCount; ++s)
        if (state.read.sectors[s].copies > 1)
            line += joined({line.empty() ? u"sector " : u"; sector ", decimal(s), u" found ",
                            decimal(state.read.sectors[s].copies), u" times"});
    if (!line.empty()) logDebug(joined({prefix, line}));
}

// The record as setType leaves a file that is no image.
void notADisk(DiskImage& image) {
    image.type = kTypeUnknown;
    image.hasErrorBytes = 0;
    image.container = kContainerSectors;
}

}  // namespace

bool hasG64Signature(const std::u16string& path) {
    ImageFile file(path);
    return readHeader(file).has_value();
}

void readG64(const std::u16string& path, DiskImage& image) {
    image.decodedSectors.clear();
    ImageFile file(path);
    const std::optional<G64Header> header = readHeader(file);
    if (!header) {
        // Changed since setType looked at it.
        logDebug(u"readG64 - no G64 header");
        notADisk(image);
        image.problems.push_back({ProblemCode::NotAG64, ProblemSource::G64});
        return;
    }
    const std::array<std::uint32_t, kTracks> offsets = readOffsets(file, *header, image);

    const std::size_t longSectors = kDiskFormats[kTypeD64x40].totalSectors;
    std::vector<std::uint8_t> decoded(longSectors * (kSectorSize + 1), 0);
    std::vector<std::uint8_t> bits;
    std::array<TrackState, kTracks> tracks;
    for (std::uint32_t t = 1; t <= kTracks; ++t) {
        TrackState& state = tracks[t - 1];
        const std::size_t length = readTrack(file, offsets[t - 1], header->trackSize, bits, state);
        state.read = decodeTrack(bits, length, t, sectorsOnTrack(kTypeD64x40, t),
                                 decoded.data() + sectorOffset(kTypeD64x40, t, 0));
    }
    checkIds(tracks);

    const bool long40 =
        std::any_of(tracks.begin() + kDiskFormats[kTypeD64].trackCount, tracks.end(), formatted);
    const DiskType type = long40 ? kTypeD64x40 : kTypeD64;
    const std::size_t sectors = kDiskFormats[type].totalSectors;
    // The codes follow the disk's last sector; on 35 tracks they take the place of tracks 36 to 40.
    std::size_t index = sectors * kSectorSize, failed = 0;
    for (std::uint32_t t = 1; t <= kDiskFormats[type].trackCount; ++t) {
        const std::uint32_t sectorCount = sectorsOnTrack(type, t);
        traceTrack(t, tracks[t - 1], sectorCount);
        for (ProblemCode code : tracks[t - 1].damage)
            image.problems.push_back({code, ProblemSource::G64, static_cast<std::int16_t>(t)});
        for (std::uint32_t s = 0; s < sectorCount; ++s, ++index) {
            decoded[index] = tracks[t - 1].read.sectors[s].code;
            if (decoded[index] != kSectorOk) ++failed;
        }
    }
    decoded.resize(sectors * (kSectorSize + 1));
    logDebug(joined({u"readG64 - ", decimal(kDiskFormats[type].trackCount), u" tracks, ",
                     decimal(static_cast<std::int64_t>(failed)), u" of ",
                     decimal(static_cast<std::int64_t>(sectors)), u" sectors with errors"}));

    if (std::none_of(tracks.begin(), tracks.end(), formatted)) {
        notADisk(image);
        image.problems.push_back({ProblemCode::G64NoTrack, ProblemSource::G64});
        return;
    }
    image.type = type;
    image.decodedSectors = std::move(decoded);
}

}  // namespace qvx
