// readImage: the same record as the viewer's load, read only as far as the caller needs.
#include "cli/read_image.h"

#include <gtest/gtest.h>

#include <string>

#include "render/listing.h"
#include "render/load.h"
#include "render/maps.h"
#include "support/g64_writer.h"
#include "support/image_builder.h"
#include "support/image_kinds.h"

namespace qvx::cli {
namespace {

TEST(ReadImage, ReadsOnlyThePartsAskedForAndAsTheLoadDoes) {
    const ReadParts cases[] = {{false, false}, {true, false}, {false, true}, {true, true}};
    for (DiskType type : test::kEveryType) {
        for (bool errorBytes : {false, true}) {
            test::ImageBuilder b(type, errorBytes);
            const std::uint32_t dir = kDiskFormats[type].firstDirSector;
            b.header("READ", "RD", "2A").slot(dir, 1, 0x82, "ONE", 3).slot(dir, 2, 0x81, "TWO", 4);
            const BamSector& bam = kDiskFormats[type].bamSectors[0];
            b.put(bam.track, bam.sector, bam.firstEntry, {5, 0xFF, 0x0F, 0x01, 0xFF, 0x7});
            if (errorBytes) b.errorByte(0, 0x05).errorByte(7, 0x05).errorByte(9, 0x0B);
            const std::u16string path =
                test::u16path(b.write(test::scratchDir() + "/image." + test::extensionOf(type)));
            DiskImage loaded;
            loadImage(path, loaded);

            for (const ReadParts& parts : cases) {
                SCOPED_TRACE(test::kindName(type, errorBytes) + " BAM " +
                             std::to_string(parts.blocksFree) + " errors " +
                             std::to_string(parts.errorBytes));
                int opens = 0;
                DiskImage image;
                {
                    test::ScopedFileObserver observer({[&](const std::u16string&) { ++opens; }});
                    readImage(path, image, parts);
                }
                // Each reader opens the file once; the error bytes only where there are some.
                EXPECT_EQ(opens, 1 + parts.blocksFree + (parts.errorBytes && errorBytes));
                ASSERT_EQ(image.dirEntries.size(), loaded.dirEntries.size());
                EXPECT_TRUE(image.bamMapText.empty());
                EXPECT_TRUE(image.errorMapText.empty());
                EXPECT_EQ(image.blocksFree, parts.blocksFree ? loaded.blocksFree : 0);
                if (parts.blocksFree) EXPECT_EQ(image.bamTracks, loaded.bamTracks);
                EXPECT_EQ(image.errorBytes,
                          parts.errorBytes ? loaded.errorBytes : std::vector<std::uint8_t>{});
                EXPECT_TRUE(image.problems.empty());
            }
            EXPECT_EQ(countBlocksFree(loaded), loaded.blocksFree);
            EXPECT_NE(loaded.blocksFree, 0);
        }
    }
}

// A G64's listing counts the sectors that failed: their codes are read though not asked for.
TEST(ReadImage, AG64GivesTheListingOfTheLoad) {
    test::ImageBuilder b(kTypeD64);
    b.header("GCR", "G6", "2A").slot(1, 1, 0x82, "ONE", 3);
    test::G64Options options;
    options.damage = {{5, 2, test::Damage::kNoHeader}};
    const std::u16string path = test::u16path(
        test::writeFile(test::scratchDir() + "/disk.g64", test::g64FromD64(b.bytes(), options)));
    DiskImage loaded;
    const std::u16string listing = loadImage(path, loaded);
    DiskImage image;
    readImage(path, image, {true, false});
    EXPECT_EQ(setupString(image, 0), listing);
    EXPECT_EQ(image.errorBytes, loaded.errorBytes);
}

TEST(ReadImage, NoReaderAfterAFailedDirectory) {
    const std::string dir = test::scratchDir();
    const std::string paths[] = {test::sizedFile(dir + "/short.d64", 1000), dir + "/missing.d81",
                                 test::sizedFile(dir + "/image.txt", 174848)};
    for (const std::string& path : paths) {
        int opens = 0;
        DiskImage image;
        {
            test::ScopedFileObserver observer({[&](const std::u16string&) { ++opens; }});
            readImage(test::u16path(path), image, {true, true});
        }
        EXPECT_EQ(opens, 0) << path;
        EXPECT_TRUE(image.dirEntries.empty()) << path;
        EXPECT_EQ(image.problems.size(), 1u) << path;
    }
}

}  // namespace
}  // namespace qvx::cli
