// The chain reader on chains built sector by sector: every way a chain can end, and the sectors
// an image marks unreadable.
#include <gtest/gtest.h>

#include <ostream>
#include <vector>

#include "disk/chain.h"
#include "support/image_builder.h"

namespace qvx {
namespace {

struct Link {
    std::uint8_t track, sector, toTrack, toSector;
};

struct ChainCase {
    const char* what;
    std::vector<Link> links;  // each sector's link bytes; its data bytes are its own number
    std::uint8_t firstTrack, firstSector;
    std::uint64_t size;
    std::uint32_t sectorCount;
    ChainDamage damage;
};

const ChainCase kChains[] = {
    {"two sectors, 16 bytes in the last",
     {{1, 0, 1, 5}, {1, 5, 0, 17}},
     1,
     0,
     254 + 16,
     2,
     ChainDamage::None},
    {"last sector full", {{17, 20, 0, 255}}, 17, 20, 254, 1, ChainDamage::None},
    {"last byte 1: no data there", {{1, 0, 1, 1}, {1, 1, 0, 1}}, 1, 0, 254, 2, ChainDamage::None},
    {"no chain: first track 0", {}, 0, 0, 0, 0, ChainDamage::None},
    {"first track past the last", {}, 36, 0, 0, 0, ChainDamage::FirstSectorOutOfRange},
    {"first sector past the track", {}, 1, 21, 0, 0, ChainDamage::FirstSectorOutOfRange},
    {"link to track 40 of a 35-track image",
     {{1, 0, 40, 0}},
     1,
     0,
     254,
     1,
     ChainDamage::LinkOutOfImage},
    {"link to sector 19 of track 31", {{1, 0, 31, 19}}, 1, 0, 254, 1, ChainDamage::LinkOutOfImage},
    {"loop back to the first sector",
     {{1, 0, 1, 1}, {1, 1, 1, 0}},
     1,
     0,
     508,
     2,
     ChainDamage::SectorTwice},
    {"link to itself", {{2, 3, 2, 3}}, 2, 3, 254, 1, ChainDamage::SectorTwice},
};

void PrintTo(const ChainCase& row, std::ostream* out) {
    *out << row.what;
}

class ChainRows : public testing::TestWithParam<ChainCase> {};

TEST_P(ChainRows, EndsWhereTheChainEndsAndKeepsWhatWasRead) {
    const ChainCase& row = GetParam();
    test::ImageBuilder builder(kTypeD64);
    for (const Link& link : row.links) {
        std::uint8_t* sector = builder.sector(link.track, link.sector);
        for (std::size_t i = 2; i < kSectorSize; ++i)
            sector[i] = static_cast<std::uint8_t>(i + link.track * 7 + link.sector);
        sector[0] = link.toTrack;
        sector[1] = link.toSector;
    }
    const SectorImage image{kTypeD64, &builder.bytes(), false};
    std::vector<std::uint8_t> bytes;
    const ChainRead read = readChain(image, row.firstTrack, row.firstSector, &bytes);
    EXPECT_EQ(read.size, row.size);
    EXPECT_EQ(bytes.size(), row.size);
    EXPECT_EQ(read.sectorCount, row.sectorCount);
    EXPECT_EQ(read.damage, row.damage);
    EXPECT_TRUE(read.unreadable.empty());
    // The data is each sector's bytes from offset 2, in chain order.
    std::size_t at = 0;
    for (const Link& link : row.links) {
        const std::uint8_t* sector = builder.sector(link.track, link.sector);
        for (std::size_t i = 2; i < kSectorSize && at < bytes.size(); ++i, ++at)
            ASSERT_EQ(bytes[at], sector[i]) << "byte " << at;
    }
    const ChainRead counted = readChain(image, row.firstTrack, row.firstSector, nullptr);
    EXPECT_EQ(counted.size, read.size);
    EXPECT_EQ(counted.damage, read.damage);
}

INSTANTIATE_TEST_SUITE_P(Chains, ChainRows, testing::ValuesIn(kChains),
                         [](const testing::TestParamInfo<ChainCase>& info) {
                             return "row" + std::to_string(info.index);
                         });

TEST(Chain, SectorsWithAnErrorCodeAreReadAndNamed) {
    for (const DiskType type : {kTypeD64, kTypeD81}) {
        test::ImageBuilder builder(type, true);
        builder.put(1, 0, 0, {1, 1}).put(1, 1, 0, {1, 2}).put(1, 2, 0, {0, 3});
        builder.errorByte(1, 0x05).errorByte(2, 0x01).errorByte(0, 0x00);
        const SectorImage image{type, &builder.bytes(), true};
        const ChainRead read = readChain(image, 1, 0, nullptr);
        EXPECT_EQ(read.size, 254u * 2 + 2);
        EXPECT_EQ(read.damage, ChainDamage::None);
        ASSERT_EQ(read.unreadable.size(), 2u);
        EXPECT_EQ(read.unreadable[0].code, 0x00);
        EXPECT_EQ(read.unreadable[0].sector, 0);
        EXPECT_EQ(read.unreadable[1].code, 0x05);
        EXPECT_EQ(read.unreadable[1].track, 1);
        EXPECT_EQ(read.unreadable[1].sector, 1);
    }
}

}  // namespace
}  // namespace qvx
