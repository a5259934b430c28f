// getDirEntries: follows the directory chain on the directory track, each sector at most once.
#include "disk/directory.h"

#include <algorithm>
#include <array>
#include <memory>
#include <optional>
#include <utility>

#include "base/text.h"
#include "base/trace.h"
#include "disk/detect.h"
#include "disk/file.h"
#include "disk/g64.h"
#include "disk/image_bytes.h"

namespace qvx {

namespace {

constexpr std::uint32_t kMaxDirSector = 40;
constexpr std::size_t kSlotSize = 32;
constexpr std::size_t kSlotsPerSector = 8;
// Places in a slot: the type byte (0 for an empty slot), the name, the block count (low first).
constexpr std::size_t kSlotTypeByte = 2;
constexpr std::size_t kSlotName = 5;
constexpr std::size_t kSlotBlocks = 30;

using VisitCounts = std::array<std::uint8_t, kMaxDirSector + 1>;

void note(DiskImage& image, ProblemCode code, int track, int sector) {
    image.problems.push_back({code, ProblemSource::Directory, static_cast<std::int16_t>(track),
                              static_cast<std::int16_t>(sector)});
}

// Reads directory-track sector number; false, with the line and problem, when nothing came.
// A sector that came short is noted but counts as read.
bool readSector(ImageBytes& file, Sector& sector, std::uint32_t number, const DiskFormat& format,
                const std::u16string& readError, DiskImage& image) {
    const bool positioned = file.seek(format.headerOffset + std::int64_t{kSectorSize} * number);
    const std::size_t got = positioned ? file.read(sector.data(), sector.size()) : 0;
    if (got == 0) {
        logDebug(readError);
        note(image, ProblemCode::ReadFailed, format.dirTrack, static_cast<int>(number));
        return false;
    }
    if (got < sector.size())
        note(image, ProblemCode::ShortRead, format.dirTrack, static_cast<int>(number));
    return true;
}

template <std::size_t N>
void copyBytes(const Sector& sector, std::size_t offset, std::array<std::uint8_t, N>& to) {
    std::copy_n(sector.begin() + offset, N, to.begin());
}

// The header record: disk name, ID and DOS type from the header sector, the rest zero.
DirEntry headerRecord(const Sector& sector, const DiskFormat& format) {
    DirEntry header;
    copyBytes(sector, format.nameOffset, header.name);
    copyBytes(sector, format.idOffset, header.id);
    copyBytes(sector, format.dosTypeOffset, header.dosType);
    return header;
}

// Reads one used slot k (1..8) of a directory sector: its trace line, then its entry.
void readSlot(const std::uint8_t* slot, std::uint32_t dirSector, std::size_t k, DiskImage& image) {
    std::u16string line;
    line.reserve(53);  // one allocation, prefix included: this line is on every used slot
    line += u"getDirEntries - reading dir sector ";
    line += decimal(dirSector);
    line += u", entry ";
    line += static_cast<char16_t>(u'0' + k);
    logDebug(std::move(line));
    DirEntry entry;
    std::copy_n(slot + kSlotTypeByte, entry.raw.size(), entry.raw.begin());
    std::copy_n(slot + kSlotName, entry.name.size(), entry.name.begin());
    entry.blocks = static_cast<std::uint16_t>(slot[kSlotBlocks] | (slot[kSlotBlocks + 1] << 8));
    const char* typeName = kFileTypeNames[getFileType(slot[kSlotTypeByte], entry)];
    std::copy_n(typeName, entry.fileType.size(), entry.fileType.begin());
    image.dirEntries.push_back(entry);
}

// The directory sector the link of this one leads to; nothing when the chain ends here, with a
// line that says why unless its link track is 0.
std::optional<std::uint32_t> followLink(const Sector& sector, const DiskFormat& format,
                                        const VisitCounts& visitCount, DiskImage& image) {
    const std::uint8_t linkTrack = sector[0];
    const std::uint8_t linkSector = sector[1];
    if (linkTrack == 0) return std::nullopt;
    if (linkTrack != format.dirTrack) {
        logDebug(u"getDirEntries - unknown dir track " + decimal(linkTrack));
        note(image, ProblemCode::UnknownDirTrack, linkTrack, linkSector);
        return std::nullopt;
    }
    if (linkSector > kMaxDirSector) {
        logDebug(u"getDirEntries - invalid dir sector " + decimal(linkSector));
        note(image, ProblemCode::InvalidDirSector, linkTrack, linkSector);
        return std::nullopt;
    }
    if (visitCount[linkSector] != 0) {
        logDebug(u"getDirEntries - cyclic dir sector " + decimal(linkSector));
        note(image, ProblemCode::CyclicDirSector, linkTrack, linkSector);
        return std::nullopt;
    }
    return linkSector;
}

// Follows the chain from the first directory sector, reading each sector number at most once
// into the buffer, until a link ends it or a sector cannot be read.
void walkChain(ImageBytes& file, const DiskFormat& format, const std::u16string& readError,
               Sector& sector, DiskImage& image) {
    VisitCounts visitCount{};
    std::optional<std::uint32_t> current = format.firstDirSector;
    while (current) {
        ++visitCount[*current];
        if (!readSector(file, sector, *current, format, readError, image)) return;
        for (std::size_t k = 1; k <= kSlotsPerSector; ++k) {
            const std::uint8_t* slot = sector.data() + kSlotSize * (k - 1);
            if (slot[kSlotTypeByte] != 0) readSlot(slot, *current, k, image);
        }
        current = followLink(sector, format, visitCount, image);
    }
}

}  // namespace

int getFileType(std::uint8_t typeByte, DirEntry& entry) {
    entry.locked = (typeByte & 0x40) ? 1 : 0;
    entry.closed = (typeByte & 0x80) ? 1 : 0;
    int index = typeByte & 0x3F;
    return index <= 5 ? index : 6;
}

void getDirEntries(const std::u16string& path, DiskImage& image) {
    setType(path, image);
    if (image.container == kContainerG64) readG64(path, image);
    if (image.type == kTypeUnknown) {
        logDebug(u"getDirEntries - can't determine file type for <" + path + u">\n");
        return;
    }
    logDebug(u"getDirEntries - type is <" + fileExtension(path) + u">\n");
    const DiskFormat& format = kDiskFormats[image.type];
    const std::u16string readError = u"getDirEntries - can't read from file <" + path + u">\n";

    ImageBytes file(path, image);
    if (!file.isOpen()) {
        logDebug(u"getDirEntries - can't open file <" + path + u">\n");
        note(image, ProblemCode::OpenFailed, -1, -1);
        return;
    }
    const std::unique_ptr<Sector> buffer = newSector();
    if (!buffer) {
        logDebug(u"getDirEntries - can't allocate memory");
        note(image, ProblemCode::NoMemory, -1, -1);
        return;
    }
    Sector& sector = *buffer;
    if (!readSector(file, sector, 0, format, readError, image)) return;
    image.dirEntries.push_back(headerRecord(sector, format));
    if (image.type == kTypeD64x40) image.subType = setSubType(sector);
    walkChain(file, format, readError, sector, image);
}

}  // namespace qvx
