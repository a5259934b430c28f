// Writes the seed corpora: one well-formed image per type and error-byte variant, as fuzz inputs,
// and a few small G64 files.
#include <cstdio>
#include <string>
#include <vector>

#include "fuzz_input.h"
#include "support/g64_writer.h"
#include "support/image_builder.h"
#include "support/image_kinds.h"

namespace {

using qvx::test::ImageBuilder;

// A header, a two-sector directory chain with several kinds of entries, and a plausible BAM.
ImageBuilder wellFormed(qvx::DiskType type, bool errorBytes) {
    ImageBuilder b(type, errorBytes);
    const qvx::DiskFormat& f = qvx::kDiskFormats[type];
    b.header("SEED DISK", "SD", type == qvx::kTypeD81 ? "3D" : "2A");
    std::uint32_t first = f.firstDirSector;
    b.dirLink(first, f.dirTrack, first + 3).dirLink(first + 3, 0, 0xFF);
    b.slot(first, 1, 0x82, "HELLO", 1).slot(first, 2, 0x81, "NOTES", 12);
    b.slot(first, 3, 0xC2, "LOCKED", 3).slot(first, 4, 0x02, "SPLAT", 7);
    b.slot(first + 3, 1, 0x84, "RECORDS", 40).slot(first + 3, 8, 0x80, "----------------", 0);
    for (auto [offset, length] : qvx::fuzz::regionsOf({type, errorBytes})) {
        if (offset >= std::size_t{f.totalSectors} * 256) break;
        // Free-looking bitmaps in every BAM-like region; the directory region keeps its bytes.
        if (offset == f.headerOffset && type != qvx::kTypeD64 && type != qvx::kTypeD64x40 &&
            type != qvx::kTypeD71)
            continue;
        std::vector<std::uint8_t> bam(length > 256 ? 0 : 256, 0);
        for (std::size_t i = 0; i < bam.size(); ++i) bam[i] = static_cast<std::uint8_t>(0x5A ^ i);
        if (type == qvx::kTypeD80 || type == qvx::kTypeD82) {
            bam[4] = static_cast<std::uint8_t>(1 + 50 * (offset - 0x43100) / 0x300);
            bam[5] = static_cast<std::uint8_t>(bam[4] + 50);
        }
        if (!bam.empty()) b.putAt(offset, bam);
    }
    if (type == qvx::kTypeD64 || type == qvx::kTypeD64x40 || type == qvx::kTypeD71) {
        // Keep the directory link and names readable: only the bitmap part of 18/0.
        for (std::size_t t = 1; t <= 35; ++t)
            b.putAt(f.headerOffset + 4 * t, {static_cast<std::uint8_t>(t % 22), 0xFF, 0x7F, 0x1F});
        b.putAt(f.headerOffset, {18, 1});
        b.header("SEED DISK", "SD", "2A");
    }
    if (errorBytes)
        for (std::size_t i = 0; i < f.totalSectors; i += 7)
            b.errorByte(i, static_cast<std::uint8_t>(i));
    return b;
}

// Small G64 files, as the G64 target takes them (without the signature): track 18 alone; with a
// formatted track 36 and sectors damaged; with a track without sync and one of one bits.
void writeG64Seeds(const std::string& dir) {
    using qvx::test::Damage;
    ImageBuilder d64 = wellFormed(qvx::kTypeD64x40, false);
    const std::vector<std::uint8_t>& bytes = d64.bytes();
    auto track = [&bytes](std::uint32_t t, std::vector<qvx::test::SectorDamage> damage = {}) {
        return qvx::test::formatTrack(bytes.data() + qvx::sectorOffset(qvx::kTypeD64x40, t, 0), t,
                                      qvx::sectorsOnTrack(qvx::kTypeD64x40, t), {'S', 'D'}, damage);
    };
    std::vector<std::vector<std::vector<std::uint8_t>>> files(
        3, std::vector<std::vector<std::uint8_t>>(80));
    files[0][2 * 17] = track(18);
    files[1][2 * 17] = track(18, {{18, 1, Damage::kDataChecksum}, {18, 4, Damage::kNoHeader}});
    files[1][2 * 35] = track(36, {{36, 2, Damage::kOtherId}});
    files[2][2 * 17] = track(18);
    files[2][2 * 18] = std::vector<std::uint8_t>(300, 0x55);
    files[2][2 * 19] = std::vector<std::uint8_t>(300, 0xFF);
    for (std::size_t i = 0; i < files.size(); ++i) {
        std::vector<std::uint8_t> g64 = qvx::test::g64File(files[i], 7928, 80);
        g64.erase(g64.begin(), g64.begin() + 8);
        qvx::test::writeFile(dir + "/g64-" + std::to_string(i), g64);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: fuzz_seeds DIR G64DIR\n");
        return 2;
    }
    writeG64Seeds(argv[2]);
    for (qvx::DiskType type : qvx::test::kEveryType) {
        for (bool errorBytes : {false, true}) {
            ImageBuilder b = wellFormed(type, errorBytes);
            std::vector<std::uint8_t> input{
                static_cast<std::uint8_t>(type | (errorBytes ? 0x80 : 0))};
            for (auto [offset, length] : qvx::fuzz::regionsOf({type, errorBytes}))
                input.insert(input.end(), b.bytes().begin() + offset,
                             b.bytes().begin() + offset + length);
            std::string path = std::string(argv[1]) + "/seed-" + std::to_string(type) +
                               (errorBytes ? "-errors" : "");
            qvx::test::writeFile(path, input);
        }
    }
    return 0;
}
