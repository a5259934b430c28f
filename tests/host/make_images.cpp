// Writes the test images for the host tests: every type, with and without error bytes, each with
// a header, files of every kind and some BAM and error bytes, a G64 of one of them, plus a file
// of no known size.
#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>
#include <vector>

#include "disk/format.h"
#include "support/g64_writer.h"
#include "support/image_builder.h"
#include "support/image_kinds.h"

namespace {

using qvx::DiskType;
using qvx::test::ImageBuilder;

const char* dosTypeOf(DiskType type) {
    return type == qvx::kTypeD81                            ? "3D"
           : type == qvx::kTypeD80 || type == qvx::kTypeD82 ? "2C"
                                                            : "2A";
}

ImageBuilder build(DiskType type, bool errors) {
    ImageBuilder b(type, errors);
    const qvx::DiskFormat& f = qvx::kDiskFormats[type];
    b.header("HOST " + qvx::test::shortName(type), "HT", dosTypeOf(type));
    std::uint32_t dir = f.firstDirSector;
    b.dirLink(dir, 0, 0xFF);
    b.slot(dir, 1, 0x82, "HELLO", 1);
    b.slot(dir, 2, 0x81, "DATA FILE", 12);
    b.slot(dir, 3, 0x83, "NOTES", 3);
    b.slot(dir, 4, 0x84, "TABLE", 40);
    b.slot(dir, 5, 0x80, "GONE", 0);
    b.slot(dir, 6, 0xC2, "LOCKED", 7);
    b.slot(dir, 7, 0x02, "SPLAT", 65535);
    b.slot(dir, 8, 0x85, "PARTITION", 640);
    if (type == qvx::kTypeD64 || type == qvx::kTypeD64x40) {
        // A few free sectors on the first tracks of the BAM in 18/0.
        for (std::uint8_t t = 1; t <= 6; ++t)
            b.put(18, 0, 4u * t,
                  {static_cast<std::uint8_t>(t), static_cast<std::uint8_t>(0x11 * t), 0x0F,
                   static_cast<std::uint8_t>(t & 0x1F)});
    }
    if (errors) {
        std::size_t total = f.totalSectors;
        b.errorByte(0, 0x01).errorByte(1, 0x05).errorByte(30, 0x0F).errorByte(total / 2, 0x15);
        b.errorByte(total - 1, 0x0B);
    }
    return b;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: make_images DIR\n", stderr);
        return 2;
    }
    const std::string dir = argv[1];
    try {
        std::filesystem::create_directories(dir);
        for (DiskType type : qvx::test::kEveryType) {
            for (bool errors : {false, true}) {
                std::string file = dir + "/" + qvx::test::shortName(type) +
                                   (errors ? "-errors." : ".") + qvx::test::extensionOf(type);
                build(type, errors).write(file);
                std::printf("%s\n", file.c_str());
            }
        }
        // A G64 of the 35-track image, one sector of it written with a bad data checksum.
        qvx::test::G64Options damaged;
        damaged.damage = {{1, 5, qvx::test::Damage::kDataChecksum}};
        const std::string g64 = dir + "/g64.g64";
        qvx::test::writeFile(g64,
                             qvx::test::g64FromD64(build(qvx::kTypeD64, false).bytes(), damaged));
        std::printf("%s\n", g64.c_str());
        // A name outside ASCII but inside the ANSI code page, and a size no type has.
        build(qvx::kTypeD64, false).write(dir + "/caf\xC3\xA9.d64");
        // Folders named outside a Western code page, Cyrillic and Japanese, an image in each.
        const std::string cyrillic = "\xD0\x9E\xD0\xB1\xD1\x80\xD0\xB0\xD0\xB7\xD1\x8B";
        const std::string japanese = "\xE3\x83\x87\xE3\x82\xA3\xE3\x82\xB9\xE3\x82\xAF";
        for (const std::string& folder : {cyrillic, japanese})
            std::filesystem::create_directories(std::filesystem::u8path(dir + "/" + folder));
        build(qvx::kTypeD64, false).write(dir + "/" + cyrillic + "/d64.d64");
        build(qvx::kTypeD81, true).write(dir + "/" + japanese + "/d81-errors.d81");
        qvx::test::writeFile(dir + "/short.d64", std::vector<std::uint8_t>(1000, 0));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "make_images: %s\n", e.what());
        return 1;
    }
    return 0;
}
