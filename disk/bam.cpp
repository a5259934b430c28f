// getBAMEntries: reads the BAM sectors of the format table in order and appends one bitmap per
// track.
#include "disk/bam.h"

#include <algorithm>
#include <array>
#include <memory>

#include "base/trace.h"
#include "disk/file.h"
#include "disk/image_bytes.h"

namespace qvx {

namespace {

// A sector whose entries count 0 names its own range: first track, and last track plus 1.
constexpr std::size_t kRangeFirst = 4;
constexpr std::size_t kRangeEnd = 5;

// Little-endian value of count bytes from offset; bytes past the sector's end count as 0.
BamTrack bitmapAt(const Sector& sector, std::size_t offset, std::size_t count) {
    BamTrack value = 0;
    for (std::size_t i = 0; i < count && offset + i < sector.size(); ++i)
        value |= BamTrack{sector[offset + i]} << (8 * i);
    return value;
}

// Appends the bitmaps of count entries from offset; a free count, where the entry has room for
// one, comes before each bitmap and is skipped.
void appendEntries(const Sector& sector, std::size_t offset, std::size_t entrySize,
                   std::size_t count, std::size_t bitmapBytes, std::vector<BamTrack>& tracks) {
    const std::size_t bitmap = offset + entrySize - bitmapBytes;
    for (std::size_t k = 0; k < count; ++k)
        tracks.push_back(bitmapAt(sector, bitmap + entrySize * k, bitmapBytes));
}

// The entries a sector holds: a fixed number, or the range in its bytes 4 and 5, cut to what
// fits in the sector; none when the range is empty or reversed.
std::size_t entriesOf(const Sector& sector, const BamSector& place) {
    if (place.entries != 0) return place.entries;
    const std::size_t first = sector[kRangeFirst];
    const std::size_t end = sector[kRangeEnd];
    if (end <= first) return 0;
    return std::min<std::size_t>(end - first, (kSectorSize - place.firstEntry) / place.entrySize);
}

// Reads BAM sector n of the type: the first one and one on another track found by its offset, a
// later one of the same track by moving on from the end of the one before. Returns the bytes
// that arrived; a short read keeps the buffer's earlier bytes past them.
std::size_t readBamSector(ImageBytes& file, const DiskFormat& format, DiskType type, std::size_t n,
                          Sector& sector) {
    const BamSector& place = format.bamSectors[n];
    bool positioned = true;
    if (n == 0 || format.bamSectors[n - 1].track != place.track) {
        positioned =
            file.seek(static_cast<std::int64_t>(sectorOffset(type, place.track, place.sector)));
    } else if (const int gap = place.sector - format.bamSectors[n - 1].sector - 1; gap != 0) {
        positioned = file.seekRelative(std::int64_t{kSectorSize} * gap);
    }
    return positioned ? file.read(sector.data(), sector.size()) : 0;
}

}  // namespace

void getBAMEntries(const std::u16string& path, DiskImage& image) {
    ImageBytes file(path, image);
    if (!file.isOpen()) {
        logDebug(u"getBAMEntries - can't open file <" + path + u">\n");
        // An undetermined type has its problem from setType already.
        if (isKnownType(image.type))
            image.problems.push_back({ProblemCode::OpenFailed, ProblemSource::Bam});
        return;
    }
    const std::unique_ptr<Sector> buffer = newSector();
    if (!buffer) {
        logDebug(u"getBAMEntries - can't allocate memory");
        image.problems.push_back({ProblemCode::NoMemory, ProblemSource::Bam});
        return;
    }
    if (!isKnownType(image.type)) {
        logDebug(u"getBAMEntries - unknown disk type");
        return;
    }
    const DiskFormat& format = kDiskFormats[image.type];
    Sector& sector = *buffer;
    std::vector<BamTrack>& tracks = image.bamTracks;
    tracks.reserve(tracks.size() + format.trackCount);
    for (std::size_t n = 0; n < format.bamSectorCount; ++n) {
        const BamSector& place = format.bamSectors[n];
        const std::size_t got = readBamSector(file, format, image.type, n, sector);
        if (got < sector.size())
            image.problems.push_back({got == 0 ? ProblemCode::ReadFailed : ProblemCode::ShortRead,
                                      ProblemSource::Bam, place.track, place.sector});
        if (got == 0) {
            logDebug(u"getBAMEntries - can't read from file <" + path + u">");
            return;
        }
        appendEntries(sector, place.firstEntry, place.entrySize, entriesOf(sector, place),
                      format.bitmapBytes, tracks);
    }
    // Tracks 36 to 40 of a 40-track D64, from the header sector still in the buffer, where its
    // DOS variant keeps them; without a known variant there are none.
    if (image.type == kTypeD64x40 &&
        (image.subType == kSubTypeDolphin || image.subType == kSubTypeSpeed))
        appendEntries(sector, kExtraBamOffset[image.subType], kExtraBamEntrySize, kExtraBamTracks,
                      format.bitmapBytes, tracks);
}

}  // namespace qvx
