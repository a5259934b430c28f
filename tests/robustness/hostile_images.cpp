// The hostile images and what their layout makes the readers find.
#include "hostile_images.h"

#include <algorithm>

#include "base/text.h"

namespace qvx::test {

namespace {

std::u16string readingLine(int sector, int entry) {
    return u"getDirEntries - reading dir sector " + decimal(sector) + u", entry " + decimal(entry);
}

// Bytes per BAM bitmap, BAM sectors the DOS counts as used, and the tracks it keeps out of the
// free count (directory, and the D71's second BAM track).
int bitmapBits(DiskType type) {
    switch (type) {
        case kTypeD80:
        case kTypeD82:
            return 32;
        case kTypeD81:
            return 40;
        default:
            return 24;
    }
}

int bamSectorCorrection(DiskType type) {
    return type == kTypeD80 ? 2 : type == kTypeD82 ? 4 : 0;
}

std::size_t uncountedTracks(DiskType type, std::size_t tracks) {
    std::size_t n = 0;
    const std::size_t dirTrack = kDiskFormats[type].dirTrack;
    if (tracks >= dirTrack) ++n;
    if (type == kTypeD71 && tracks >= 53) ++n;
    return n;
}

int freeBlocksOfFullBitmaps(DiskType type, std::size_t tracks) {
    return bitmapBits(type) * static_cast<int>(tracks - uncountedTracks(type, tracks)) -
           bamSectorCorrection(type);
}

}  // namespace

ImageBuilder wellFormedImage(DiskType type, bool errorBytes) {
    const DiskFormat& f = kDiskFormats[type];
    ImageBuilder b(type, errorBytes);
    b.header("ROBUST " + shortName(type), "RB", "2A")
        .dirLink(f.firstDirSector, 0, 0xFF)
        .slot(f.firstDirSector, 1, 0x82, "FIRST", 3)
        .slot(f.firstDirSector, 2, 0xC1, "LOCKED SEQ", 17)
        .slot(f.firstDirSector, 4, 0x00, "SCRATCHED", 9);
    if (errorBytes) b.errorByte(0, 0x05).errorByte(f.totalSectors - 1u, 0x0B);
    return b;
}

ImageBuilder filledImage(DiskType type, bool errorBytes, std::uint8_t fill) {
    ImageBuilder b(type, errorBytes);
    std::fill(b.bytes().begin(), b.bytes().end(), fill);
    return b;
}

std::string filledName(DiskType type, bool errorBytes, std::uint8_t fill) {
    static const char* const kHex = "0123456789abcdef";
    std::string name = "fill-";
    name += kHex[fill >> 4];
    name += kHex[fill & 0xF];
    return name + "-" + shortName(type) + (errorBytes ? "-errors." : ".") + extensionOf(type);
}

std::vector<std::u16string> filledTrace(DiskType type, bool errorBytes, std::uint8_t fill) {
    std::vector<std::u16string> lines{u"getDirEntries - type is <" + widen(extensionOf(type)) +
                                      u">\n"};
    if (fill != 0) {
        // Both DOS areas of the 40-track header are in use, which makes neither variant.
        if (type == kTypeD64x40) {
            lines.push_back(u"setSubType: Dolphin = true");
            lines.push_back(u"setSubType: Speed = true");
        }
        const int first = kDiskFormats[type].firstDirSector;
        for (int k = 1; k <= 8; ++k) lines.push_back(readingLine(first, k));
        lines.push_back(u"getDirEntries - unknown dir track " + decimal(fill));
    }
    if (errorBytes)
        lines.push_back(u"getErrorData - " + decimal(kDiskFormats[type].totalSectors) +
                        u" error bytes successfully read.");
    return lines;
}

std::size_t filledFileEntries(std::uint8_t fill) {
    return fill == 0 ? 0 : 8;
}

std::size_t filledBamTracks(DiskType type) {
    // D80 and D82 describe no track when the first and the end byte are equal.
    if (type == kTypeD80 || type == kTypeD82) return 0;
    // A 40-track D64 without a DOS variant keeps to its 35 standard tracks.
    if (type == kTypeD64x40) return 35;
    return kDiskFormats[type].trackCount;
}

int filledBlocksFree(DiskType type, std::uint8_t fill) {
    if (fill == 0) return -bamSectorCorrection(type);
    return freeBlocksOfFullBitmaps(type, filledBamTracks(type));
}

std::vector<ChainCase> brokenChains() {
    std::vector<ChainCase> cases;
    auto add = [&cases](std::string name, ImageBuilder image, std::vector<std::u16string> lines,
                        std::size_t entries) {
        cases.push_back({std::move(name), std::move(image), std::move(lines), entries});
    };
    {
        ImageBuilder b(kTypeD64);
        b.dirLink(1, 18, 4)
            .dirLink(4, 18, 1)
            .slot(1, 1, 0x82, "ONE", 1)
            .slot(4, 2, 0x81, "FOUR", 4);
        add("cycle back to the first sector", std::move(b),
            {readingLine(1, 1), readingLine(4, 2), u"getDirEntries - cyclic dir sector 1"}, 3);
    }
    {
        ImageBuilder b(kTypeD64);
        b.dirLink(1, 18, 1).slot(1, 8, 0x82, "SELF", 1);
        add("sector linked to itself", std::move(b),
            {readingLine(1, 8), u"getDirEntries - cyclic dir sector 1"}, 2);
    }
    {
        ImageBuilder b(kTypeD64);
        b.dirLink(1, 19, 0).slot(1, 1, 0x82, "AWAY", 1);
        add("link off the directory track", std::move(b),
            {readingLine(1, 1), u"getDirEntries - unknown dir track 19"}, 2);
    }
    {
        ImageBuilder b(kTypeD64);
        b.dirLink(1, 18, 41).slot(1, 1, 0x82, "HIGH", 1);
        add("sector 41", std::move(b),
            {readingLine(1, 1), u"getDirEntries - invalid dir sector 41"}, 2);
    }
    {
        ImageBuilder b(kTypeD64);
        b.dirLink(1, 18, 255).slot(1, 1, 0x82, "HIGHEST", 1);
        add("sector 255", std::move(b),
            {readingLine(1, 1), u"getDirEntries - invalid dir sector 255"}, 2);
    }
    {
        // The header read as a directory sector: its DOS version byte and disk ID are type bytes.
        ImageBuilder b(kTypeD64);
        b.header("HOSTILE", "ZZ", "2A").put(18, 0, 0, {18, 1, 0x41});
        b.dirLink(1, 18, 0).slot(1, 1, 0x82, "TO ZERO", 1);
        add("link to sector 0", std::move(b),
            {readingLine(1, 1), readingLine(0, 1), readingLine(0, 6),
             u"getDirEntries - cyclic dir sector 1"},
            4);
    }
    {
        // Track 18 has 19 sectors; sector 30 is still read, 30 sectors past the header.
        ImageBuilder b(kTypeD64);
        b.dirLink(1, 18, 30).slot(1, 1, 0x82, "NEAR", 1);
        b.putAt(kDiskFormats[kTypeD64].headerOffset + 30 * kSectorSize + 2, {0x82});
        add("sector past the end of the track", std::move(b),
            {readingLine(1, 1), readingLine(30, 1)}, 3);
    }
    {
        ImageBuilder b(kTypeD81);
        b.dirLink(3, 40, 5).dirLink(5, 40, 3).slot(3, 1, 0x82, "D81 A", 1).slot(5, 1, 0x82, "B", 1);
        add("D81 cycle through its first sector 3", std::move(b),
            {readingLine(3, 1), readingLine(5, 1), u"getDirEntries - cyclic dir sector 3"}, 3);
    }
    {
        ImageBuilder b(kTypeD80);
        b.dirLink(1, 38, 0).slot(1, 1, 0x82, "D80", 1);
        add("D80 link to the BAM track", std::move(b),
            {readingLine(1, 1), u"getDirEntries - unknown dir track 38"}, 2);
    }
    return cases;
}

std::vector<BamRangeCase> oddBamRanges() {
    struct Ranges {
        const char* name;
        std::vector<std::pair<std::uint8_t, std::uint8_t>> perSector;  // (first, end)
    };
    const Ranges d80[] = {
        {"0/255", {{0, 255}, {0, 255}}},
        {"255/0", {{255, 0}, {255, 0}}},
        {"reversed", {{78, 1}, {51, 1}}},
        {"second reversed", {{1, 51}, {78, 51}}},
    };
    const Ranges d82[] = {
        {"0/255", {{0, 255}, {0, 255}, {0, 255}, {0, 255}}},
        {"255/0", {{255, 0}, {255, 0}, {255, 0}, {255, 0}}},
        {"reversed", {{51, 1}, {101, 51}, {151, 101}, {155, 151}}},
        {"third reversed", {{1, 51}, {51, 101}, {255, 0}, {151, 155}}},
    };
    std::vector<BamRangeCase> cases;
    auto add = [&cases](DiskType type, const Ranges& r) {
        ImageBuilder b(type);
        std::size_t tracks = 0;
        std::uint32_t sector = 0;
        for (auto [first, end] : r.perSector) {
            std::vector<std::uint8_t> bytes(kSectorSize, 0xFF);
            bytes[4] = first;
            bytes[5] = end;
            b.put(38, sector, 0, bytes);
            if (end > first) tracks += std::min<std::size_t>(end - first, 50);
            sector += 3;
        }
        cases.push_back({shortName(type) + " " + r.name, std::move(b), tracks,
                         freeBlocksOfFullBitmaps(type, tracks)});
    };
    for (const Ranges& r : d80) add(kTypeD80, r);
    for (const Ranges& r : d82) add(kTypeD82, r);
    return cases;
}

}  // namespace qvx::test
