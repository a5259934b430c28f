// openArchive and readArchiveFile: every host form is written by one procedure, which also only
// counts, so that a file's size in the list and its bytes can never disagree.
#include "extract/archive.h"

#include <algorithm>
#include <string_view>

#include "base/text.h"
#include "disk/directory.h"
#include "disk/file.h"
#include "disk/g64.h"
#include "extract/host_name.h"

namespace qvx {

namespace {

constexpr std::size_t kBlock = kSectorSize - 2;  // data bytes of a chained sector
// Places in DirEntry::raw.
constexpr std::size_t kRawType = 0;
constexpr std::size_t kRawTrack = 1;
constexpr std::size_t kRawSector = 2;
constexpr std::size_t kRawInfoTrack = 19;  // GEOS info block; a REL file's side sectors
constexpr std::size_t kRawInfoSector = 20;
constexpr std::size_t kRawRecordLength = 21;  // REL; the structure of a GEOS file
constexpr std::size_t kRawGeosType = 22;
constexpr std::size_t kRawDate = 23;  // GEOS: year, month, day, hour, minute
constexpr std::size_t kRawBlocks = 28;

enum FileType : std::uint8_t { kDel, kSeq, kPrg, kUsr, kRel, kCbm };
constexpr std::uint8_t kVlir = 1;

constexpr std::string_view kPc64Signature{"C64File\0", 8};
constexpr std::string_view kConvertSignature = "PRG formatted GEOS file V1.0";
constexpr std::size_t kVlirRecords = kBlock / 2;

std::uint8_t typeIndex(const DirEntry& entry) {
    return entry.raw[kRawType] & 0x3F;
}

bool isGeos(const DirEntry& entry) {
    const std::uint8_t type = typeIndex(entry);
    return (type == kSeq || type == kPrg || type == kUsr) && entry.raw[kRawGeosType] != 0 &&
           entry.raw[kRawRecordLength] <= kVlir && entry.raw[kRawInfoTrack] != 0;
}

HostForm formOf(const DirEntry& entry, const ArchiveOptions& options) {
    if (isGeos(entry)) return HostForm::Convert;
    const std::uint8_t type = typeIndex(entry);
    if (type == kRel || (options.pc64 && type <= kRel)) return HostForm::Pc64;
    return HostForm::Native;
}

std::u16string_view extension(const DirEntry& entry, HostForm form) {
    constexpr std::u16string_view kNative[] = {u"del", u"seq", u"prg", u"usr", u"rel", u"cbm"};
    constexpr std::u16string_view kPc64[] = {u"d00", u"s00", u"p00", u"u00", u"r00"};
    const std::uint8_t type = typeIndex(entry);
    switch (form) {
        case HostForm::Convert:
            return u"cvt";
        case HostForm::Pc64:
            return kPc64[type];
        case HostForm::Native:
            break;
    }
    return type <= kCbm ? kNative[type] : u"bin";
}

// Where a file's bytes go: appended to bytes, or only counted when bytes is null.
struct Output {
    std::vector<std::uint8_t>* bytes = nullptr;
    std::uint64_t size = 0;
    ChainDamage damage = ChainDamage::None;
    std::vector<BadSector> unreadable;

    void append(const std::uint8_t* from, std::size_t count) {
        if (bytes != nullptr) bytes->insert(bytes->end(), from, from + count);
        size += count;
    }
    void zeros(std::size_t count) {
        if (bytes != nullptr) bytes->insert(bytes->end(), count, 0);
        size += count;
    }
    void note(ChainDamage why) {
        if (damage == ChainDamage::None) damage = why;
    }
    ChainRead chain(const SectorImage& image, std::uint8_t track, std::uint8_t sector,
                    std::vector<bool>* visited = nullptr) {
        ChainRead read = readChain(image, track, sector, bytes, visited);
        size += read.size;
        note(read.damage);
        unreadable.insert(unreadable.end(), read.unreadable.begin(), read.unreadable.end());
        return read;
    }
    // A single sector's bytes from offset 2; zeros and the damage when it is outside the image.
    void block(const SectorImage& image, std::uint8_t track, std::uint8_t sector,
               ChainDamage outside) {
        const std::uint8_t* from = sectorBytes(image, track, sector, unreadable);
        if (from == nullptr) {
            note(outside);
            zeros(kBlock);
        } else {
            append(from + 2, kBlock);
        }
    }
};

// PC64: signature, the 16 name bytes as stored (cbmconvert writes them back as they are), 0, the
// record length, the data.
void writePc64(const SectorImage& image, const DirEntry& entry, Output& out) {
    out.append(reinterpret_cast<const std::uint8_t*>(kPc64Signature.data()), kPc64Signature.size());
    out.append(entry.name.data(), entry.name.size());
    const std::uint8_t recordLength = typeIndex(entry) == kRel ? entry.raw[kRawRecordLength] : 0;
    const std::uint8_t tail[] = {0, recordLength};
    out.append(tail, sizeof tail);
    out.chain(image, entry.raw[kRawTrack], entry.raw[kRawSector]);
}

// A partition: its sectors in image order, whole, from the first one on.
void writePartition(const SectorImage& image, const DirEntry& entry, Output& out) {
    std::uint32_t track = entry.raw[kRawTrack];
    std::uint32_t sector = entry.raw[kRawSector];
    const std::uint32_t blocks = entry.raw[kRawBlocks] | (entry.raw[kRawBlocks + 1] << 8);
    for (std::uint32_t n = 0; n < blocks; ++n) {
        if (sector >= sectorsOnTrack(image.type, track)) {
            ++track;
            sector = 0;
        }
        const std::uint8_t* from = sectorBytes(image, track, sector, out.unreadable);
        if (from == nullptr) {
            out.note(n == 0 ? ChainDamage::FirstSectorOutOfRange : ChainDamage::LinkOutOfImage);
            return;
        }
        out.append(from, kSectorSize);
        ++sector;
    }
}

// Convert: the directory entry without its sector addresses and the signature, the info block,
// then the data; for VLIR the index (each record as its block count and last byte) and the
// records, each but the last padded to whole blocks.
void writeConvert(const SectorImage& image, const DirEntry& entry, Output& out) {
    std::array<std::uint8_t, kBlock> head{};
    std::copy(entry.raw.begin(), entry.raw.end(), head.begin());
    for (std::size_t at : {kRawTrack, kRawSector, kRawInfoTrack, kRawInfoSector}) head[at] = 0;
    std::copy(kConvertSignature.begin(), kConvertSignature.end(), head.begin() + entry.raw.size());
    out.append(head.data(), head.size());
    out.block(image, entry.raw[kRawInfoTrack], entry.raw[kRawInfoSector],
              ChainDamage::InfoBlockOutOfRange);
    if (entry.raw[kRawRecordLength] != kVlir) {
        out.chain(image, entry.raw[kRawTrack], entry.raw[kRawSector]);
        return;
    }
    std::vector<BadSector> ignored;
    const std::uint8_t* index =
        sectorBytes(image, entry.raw[kRawTrack], entry.raw[kRawSector], ignored);
    if (index == nullptr) {
        out.note(ChainDamage::FirstSectorOutOfRange);
        out.zeros(kBlock);
        return;
    }
    out.block(image, entry.raw[kRawTrack], entry.raw[kRawSector], ChainDamage::None);
    // The index block is written before the records, so each is sized first.
    std::array<std::uint8_t, kBlock> counts{};
    std::copy(index + 2, index + kSectorSize, counts.begin());
    // The records share one set of visited sectors: together they hold no more than the image.
    std::vector<bool> sized;
    std::size_t last = kVlirRecords;
    for (std::size_t k = 0; k < kVlirRecords; ++k) {
        if (index[2 + 2 * k] == 0) continue;
        const ChainRead read =
            readChain(image, index[2 + 2 * k], index[3 + 2 * k], nullptr, &sized);
        counts[2 * k] = static_cast<std::uint8_t>(std::min<std::uint32_t>(read.sectorCount, 255));
        counts[2 * k + 1] = read.lastByte;
        last = k;
    }
    if (out.bytes != nullptr)
        std::copy(counts.begin(), counts.end(),
                  out.bytes->end() - static_cast<std::ptrdiff_t>(kBlock));
    std::vector<bool> taken;
    for (std::size_t k = 0; k < kVlirRecords; ++k) {
        if (index[2 + 2 * k] == 0) continue;
        const ChainRead read = out.chain(image, index[2 + 2 * k], index[3 + 2 * k], &taken);
        if (k != last)
            out.zeros(
                static_cast<std::size_t>(std::uint64_t{read.sectorCount} * kBlock - read.size));
    }
}

void writeFile(const SectorImage& image, const DirEntry& entry, HostForm form, Output& out) {
    switch (form) {
        case HostForm::Convert:
            return writeConvert(image, entry, out);
        case HostForm::Pc64:
            return writePc64(image, entry, out);
        case HostForm::Native:
            break;
    }
    if (typeIndex(entry) == kCbm) return writePartition(image, entry, out);
    out.chain(image, entry.raw[kRawTrack], entry.raw[kRawSector]);
}

// Days from 1970-01-01 to a date of the Gregorian calendar.
std::int64_t daysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2 ? 1 : 0;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

// A GEOS date stamp in Unix seconds (two-digit years from 1980 to 2079), or fallback when the
// stamp is no date.
std::int64_t geosTime(const DirEntry& entry, std::int64_t fallback) {
    const std::uint8_t* d = entry.raw.data() + kRawDate;
    if (d[0] > 99 || d[1] < 1 || d[1] > 12 || d[2] < 1 || d[2] > 31 || d[3] > 23 || d[4] > 59)
        return fallback;
    const std::int64_t year = d[0] + (d[0] < 80 ? 2000 : 1900);
    return daysFromCivil(year, d[1], d[2]) * 86400 + d[3] * 3600 + d[4] * 60;
}

// The image's bytes: a G64's decoded sectors, or the whole D-file, whose size must still be the
// one its type was detected by.
bool readSectors(const std::u16string& path, ImageArchive& archive) {
    DiskImage& image = archive.image;
    if (image.container == kContainerG64) {
        if (image.decodedSectors.empty()) {
            DiskImage decoded;
            decoded.container = kContainerG64;
            readG64(path, decoded);
            if (decoded.decodedSectors.empty()) return false;
            image.decodedSectors = std::move(decoded.decodedSectors);
        }
        archive.bytes = std::move(image.decodedSectors);
        image.decodedSectors.clear();
        return true;
    }
    const std::int64_t expected = imageSize(kDiskFormats[image.type], image.hasErrorBytes == 1);
    ImageFile file(path);
    if (file.size() != expected || !file.seek(0)) return false;
    archive.bytes.resize(static_cast<std::size_t>(expected));
    std::size_t got = 0;
    while (got < archive.bytes.size()) {
        const std::size_t n = file.read(archive.bytes.data() + got, archive.bytes.size() - got);
        if (n == 0) return false;
        got += n;
    }
    return true;
}

SectorImage sectorImage(const ImageArchive& archive) {
    return {archive.image.type, &archive.bytes, archive.image.hasErrorBytes == 1};
}

}  // namespace

bool openArchive(const std::u16string& path, const ArchiveOptions& options, ImageArchive& archive) {
    archive = ImageArchive{};
    ImageArchive opened;
    getDirEntries(path, opened.image);
    if (!isKnownType(opened.image.type) || opened.image.dirEntries.empty() ||
        !readSectors(path, opened))
        return false;
    const SectorImage image = sectorImage(opened);
    const std::int64_t imageTime = hostFileTime(path);
    std::vector<std::u16string> names;
    for (std::size_t i = 1; i < opened.image.dirEntries.size(); ++i) {
        const DirEntry& entry = opened.image.dirEntries[i];
        ArchiveFile file;
        file.entryIndex = i;
        file.form = formOf(entry, options);
        Output out;
        writeFile(image, entry, file.form, out);
        file.size = out.size;
        file.damage = out.damage;
        file.unreadable = std::move(out.unreadable);
        file.time = file.form == HostForm::Convert ? geosTime(entry, imageTime) : imageTime;
        file.locked = entry.locked != 0;
        file.unclosed = entry.closed == 0;
        names.push_back(joined({hostBaseName(entry.name), u".", extension(entry, file.form)}));
        opened.files.push_back(std::move(file));
    }
    makeUnique(names);
    for (std::size_t i = 0; i < names.size(); ++i) opened.files[i].hostName = std::move(names[i]);
    archive = std::move(opened);
    return true;
}

std::vector<std::uint8_t> readArchiveFile(const ImageArchive& archive, std::size_t fileIndex) {
    std::vector<std::uint8_t> bytes;
    if (fileIndex >= archive.files.size()) return bytes;
    const ArchiveFile& file = archive.files[fileIndex];
    bytes.reserve(static_cast<std::size_t>(file.size));
    Output out;
    out.bytes = &bytes;
    writeFile(sectorImage(archive), archive.image.dirEntries[file.entryIndex], file.form, out);
    return bytes;
}

std::string damageText(ChainDamage damage) {
    switch (damage) {
        case ChainDamage::None:
            return "";
        case ChainDamage::FirstSectorOutOfRange:
            return "first sector out of range";
        case ChainDamage::LinkOutOfImage:
            return "link out of image";
        case ChainDamage::SectorTwice:
            return "sector twice";
        case ChainDamage::InfoBlockOutOfRange:
            return "info block out of range";
    }
    return "";
}

}  // namespace qvx
