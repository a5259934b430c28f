// Files out of images written by cc1541, cbmconvert and floptool must be what the tools were
// given; damaged directories of built images come out as far as they go, flagged.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "base/text.h"
#include "extract/archive.h"
#include "support/image_builder.h"
#include "support/tool_images.h"

namespace qvx {
namespace {

constexpr std::size_t kPc64Header = 26;

std::vector<std::uint8_t> tail(const std::vector<std::uint8_t>& bytes, std::size_t from) {
    return {bytes.begin() + static_cast<std::ptrdiff_t>(std::min(from, bytes.size())), bytes.end()};
}

// What the tool was given for a listed file: the PC64 or Convert file itself where the tool read
// one, else the data, which PC64 output carries after its header.
void expectAsGiven(const test::ToolImage& image, const test::RequestedFile& given,
                   const ImageArchive& archive, std::size_t number) {
    const ArchiveFile& file = archive.files[number - 1];
    const std::vector<std::uint8_t> bytes = readArchiveFile(archive, number - 1);
    SCOPED_TRACE(image.fileName + " file " + std::to_string(number));
    EXPECT_EQ(bytes.size(), file.size);
    EXPECT_EQ(file.damage, ChainDamage::None);
    EXPECT_TRUE(file.unreadable.empty());
    EXPECT_EQ(file.locked, (given.typeByte & 0x40) != 0);
    EXPECT_EQ(file.unclosed, (given.typeByte & 0x80) == 0);
    const std::string dir = test::toolImagesDir();
    if (file.form == HostForm::Convert) {
        EXPECT_EQ(bytes, test::readFile(dir + "/geos/" + toUtf8(file.hostName)));
        return;
    }
    const bool rel = (given.typeByte & 0x3F) == 4;
    const bool pc64Given = image.tool == "cbmconvert" && image.d64Path.empty();
    if (rel && pc64Given) {
        EXPECT_EQ(bytes, test::readFile(dir + "/pc64/" + image.fileName + "-" +
                                        std::to_string(number) + ".r00"));
        return;
    }
    const std::size_t header = file.form == HostForm::Pc64 ? kPc64Header : 0;
    EXPECT_EQ(tail(bytes, header), test::patternBytes(given.size));
    if (header != 0) {
        const DirEntry& entry = archive.image.dirEntries[file.entryIndex];
        const std::uint8_t signature[] = {'C', '6', '4', 'F', 'i', 'l', 'e', 0};
        EXPECT_TRUE(std::equal(signature, signature + 8, bytes.begin()));
        EXPECT_TRUE(std::equal(entry.name.begin(), entry.name.end(), bytes.begin() + 8));
        EXPECT_EQ(bytes[25], rel ? entry.raw[21] : 0);
    }
}

TEST(Archive, ToolImagesGiveBackWhatTheToolsWereGiven) {
    ASSERT_FALSE(test::toolImages().empty());
    for (const test::ToolImage& image : test::toolImages()) {
        for (const bool pc64 : {false, true}) {
            ImageArchive archive;
            ASSERT_TRUE(openArchive(test::u16path(image.path), ArchiveOptions{pc64}, archive))
                << image.fileName;
            std::vector<test::RequestedFile> listed;
            for (const test::RequestedFile& r : image.requested)
                if (r.typeByte != 0) listed.push_back(r);
            ASSERT_EQ(archive.files.size(), listed.size()) << image.fileName;
            for (std::size_t i = 0; i < listed.size(); ++i) {
                const ArchiveFile& file = archive.files[i];
                const bool geos = file.form == HostForm::Convert;
                const std::uint8_t type = listed[i].typeByte & 0x3F;
                EXPECT_EQ(file.form == HostForm::Pc64, !geos && (type == 4 || (pc64 && type < 5)))
                    << image.fileName << " " << i;
                expectAsGiven(image, listed[i], archive, i + 1);
            }
        }
    }
}

// A D64 whose directory holds what a drive would stumble over.
TEST(Archive, DamagedFilesComeOutAsFarAsTheyGoAndSaySo) {
    test::ImageBuilder builder(kTypeD64, true);
    builder.header("DAMAGED", "DA", "2A");
    struct Slot {
        const char* name;
        std::uint8_t track, sector;
    };
    const Slot slots[] = {{"BROKEN", 1, 0}, {"LOOP", 2, 0},   {"NOWHERE", 36, 0},
                          {"EMPTY", 0, 0},  {"BROKEN", 3, 0}, {"BAD SECTOR", 4, 0}};
    for (int k = 1; k <= 6; ++k) {
        builder.slot(1, k, 0x82, slots[k - 1].name, 1)
            .put(18, 1, 32 * (k - 1) + 3, {slots[k - 1].track, slots[k - 1].sector});
    }
    builder.put(1, 0, 0, {1, 1}).put(1, 1, 0, {99, 0});  // then off the disk
    builder.put(2, 0, 0, {2, 1}).put(2, 1, 0, {2, 0});   // round and round
    builder.put(3, 0, 0, {0, 11});                       // whole: 10 bytes
    builder.put(4, 0, 0, {0, 255}).errorByte(sectorOffset(kTypeD64, 4, 0) / 256, 0x05);
    for (std::size_t s = 0; s < 683; ++s)
        if (s != sectorOffset(kTypeD64, 4, 0) / 256) builder.errorByte(s, 0x01);
    // A VLIR file whose two records share a chain: the second is not read again.
    builder.slot(1, 7, 0x83, "VLIR TWICE", 3).put(18, 1, 32 * 6 + 3, {5, 0});
    builder.put(18, 1, 32 * 6 + 21, {5, 1, 1, 6});
    builder.put(5, 0, 0, {0, 0xFF, 5, 2, 5, 2}).put(5, 2, 0, {0, 11});
    const std::string path = builder.write(test::scratchDir() + "/damaged.d64");

    ImageArchive archive;
    ASSERT_TRUE(openArchive(test::u16path(path), {}, archive));
    struct Want {
        const char* hostName;
        std::uint64_t size;
        ChainDamage damage;
        std::size_t unreadable;
    };
    const Want want[] = {{"broken.prg", 508, ChainDamage::LinkOutOfImage, 0},
                         {"loop.prg", 508, ChainDamage::SectorTwice, 0},
                         {"nowhere.prg", 0, ChainDamage::FirstSectorOutOfRange, 0},
                         {"empty.prg", 0, ChainDamage::None, 0},
                         {"broken~2.prg", 10, ChainDamage::None, 0},
                         {"bad sector.prg", 254, ChainDamage::None, 1},
                         {"vlir twice.cvt", 4 * 254, ChainDamage::SectorTwice, 0}};
    ASSERT_EQ(archive.files.size(), std::size(want));
    for (std::size_t i = 0; i < std::size(want); ++i) {
        const ArchiveFile& file = archive.files[i];
        SCOPED_TRACE(want[i].hostName);
        EXPECT_EQ(toUtf8(file.hostName), want[i].hostName);
        EXPECT_EQ(file.size, want[i].size);
        EXPECT_EQ(file.damage, want[i].damage);
        EXPECT_EQ(file.unreadable.size(), want[i].unreadable);
        EXPECT_EQ(readArchiveFile(archive, i).size(), want[i].size);
    }
    EXPECT_EQ(archive.files[5].unreadable[0].code, 0x05);
    EXPECT_TRUE(readArchiveFile(archive, 7).empty());
    EXPECT_FALSE(openArchive(test::u16path(test::writeFile(test::scratchDir() + "/short.d64",
                                                           std::vector<std::uint8_t>(1000))),
                             {}, archive));
    EXPECT_TRUE(archive.files.empty());
}

}  // namespace
}  // namespace qvx
