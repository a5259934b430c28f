// The BAM reader and the free-block count against images written by cc1541, cbmconvert and
// floptool.
#include <gtest/gtest.h>

#include <bitset>
#include <cctype>
#include <filesystem>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "disk/bam.h"
#include "disk/directory.h"
#include "render/maps.h"
#include "support/image_builder.h"
#include "support/tool_images.h"
#include "support/trace_capture.h"

namespace qvx {
namespace {

using test::ToolImage;
using Sector = std::pair<std::uint32_t, std::uint32_t>;  // track, sector

int freeBits(BamTrack bits) {
    return static_cast<int>(std::bitset<64>(bits).count());
}

// The image's raw bytes, read independently of the readers under test.
class RawImage {
  public:
    RawImage(const std::string& path, DiskType type) : bytes_(test::readFile(path)), type_(type) {}

    bool valid(Sector s) const {
        return s.first >= 1 && s.first <= kDiskFormats[type_].trackCount &&
               s.second < sectorsOnTrack(type_, s.first);
    }
    std::uint8_t at(Sector s, std::size_t offset) const {
        std::uint64_t pos = sectorOffset(type_, s.first, s.second) + offset;
        return pos < bytes_.size() ? bytes_[pos] : 0;
    }
    Sector link(Sector s) const { return {at(s, 0), at(s, 1)}; }

    // Follows a chain of linked sectors from start; adds each to used. False on a broken chain.
    bool follow(Sector start, std::set<Sector>& used) const {
        for (Sector s = start; s.first != 0; s = link(s)) {
            if (!valid(s) || !used.insert(s).second) return false;
        }
        return true;
    }

  private:
    std::vector<std::uint8_t> bytes_;
    DiskType type_;
};

struct Loaded {
    DiskImage disk;
    std::vector<std::u16string> lines;
};

Loaded load(const ToolImage& image) {
    Loaded out;
    test::TraceCapture trace;
    const std::u16string path = test::u16path(image.path);
    getDirEntries(path, out.disk);
    trace.lines.clear();
    getBAMEntries(path, out.disk);
    setupBAMMap(out.disk);
    out.lines = trace.lines;
    return out;
}

// Every sector that the directory, the BAM sectors and the tool's files occupy.
std::set<Sector> occupiedSectors(const ToolImage& image, const RawImage& raw, std::string& error) {
    const DiskFormat& f = kDiskFormats[image.type];
    std::set<Sector> used;
    used.insert({f.dirTrack, 0});
    if (image.type == kTypeD71) used.insert({53, 0});
    if (image.type == kTypeD81) used.insert({{40, 1}, {40, 2}});
    std::set<Sector> dir;
    if (!raw.follow({f.dirTrack, f.firstDirSector}, dir)) error = "broken directory chain";
    used.insert(dir.begin(), dir.end());
    for (Sector d : dir) {
        for (std::size_t slot = 0; slot < 8; ++slot) {
            const std::size_t base = 32 * slot;
            // A slot with type byte 0 may still own sectors: cc1541 writes such a "scratched"
            // file and keeps its chain allocated. Empty slots start at track 0.
            const Sector first{raw.at(d, base + 3), raw.at(d, base + 4)};
            const bool geos = raw.at(d, base + 24) != 0;
            const bool vlir = geos && raw.at(d, base + 23) == 1;
            // A VLIR file's index sector and a GEOS file's info block are single sectors.
            auto single = [&](Sector s) { return raw.valid(s) && used.insert(s).second; };
            if (!(vlir ? single(first) : raw.follow(first, used)))
                error = "broken file chain in slot " + std::to_string(slot);
            if (geos && !single({raw.at(d, base + 21), raw.at(d, base + 22)}))
                error = "broken GEOS info block in slot " + std::to_string(slot);
            for (std::size_t r = 0; vlir && r < 127; ++r)
                if (!raw.follow({raw.at(first, 2 + 2 * r), raw.at(first, 3 + 2 * r)}, used))
                    error = "broken VLIR record in slot " + std::to_string(slot);
            if ((raw.at(d, base + 2) & 0x07) == 4 && raw.at(d, base + 21) != 0 &&
                !raw.follow({raw.at(d, base + 21), raw.at(d, base + 22)}, used))
                error = "broken side-sector chain in slot " + std::to_string(slot);
        }
    }
    return used;
}

// Parameterised by file name, so that a failure names the image rather than dumping it.
class ToolBamTest : public ::testing::TestWithParam<std::string> {
  protected:
    const ToolImage& image() const { return *test::findToolImage(GetParam()); }
};

std::vector<std::string> toolImageNames() {
    std::vector<std::string> names;
    for (const ToolImage& image : test::toolImages()) names.push_back(image.fileName);
    return names;
}

TEST_P(ToolBamTest, EveryTrackReadAndNoBitBeyondItsSectors) {
    const ToolImage& image = this->image();
    ASSERT_EQ(image.error, "");
    Loaded l = load(image);
    ASSERT_EQ(l.disk.type, image.type);
    EXPECT_TRUE(l.lines.empty());
    ASSERT_EQ(l.disk.bamTracks.size(), kDiskFormats[image.type].trackCount);
    // Both tools write clean bitmaps, so each bit the reader keeps stands for a real sector.
    for (std::uint32_t t = 1; t <= l.disk.bamTracks.size(); ++t)
        EXPECT_EQ(l.disk.bamTracks[t - 1] >> sectorsOnTrack(image.type, t), 0u) << "track " << t;
}

TEST_P(ToolBamTest, SectorsInUseAreExactlyThoseMarkedUsed) {
    const ToolImage& image = this->image();
    ASSERT_EQ(image.error, "");
    Loaded l = load(image);
    ASSERT_EQ(l.disk.bamTracks.size(), kDiskFormats[image.type].trackCount);
    RawImage raw(image.d64Path.empty() ? image.path : image.d64Path, image.type);
    std::string error;
    const std::set<Sector> used = occupiedSectors(image, raw, error);
    ASSERT_EQ(error, "");
    for (std::uint32_t t = 1; t <= l.disk.bamTracks.size(); ++t) {
        for (std::uint32_t s = 0; s < sectorsOnTrack(image.type, t); ++s) {
            const bool isFree = ((l.disk.bamTracks[t - 1] >> s) & 1) != 0;
            EXPECT_NE(isFree, used.count({t, s}) != 0) << "track " << t << " sector " << s;
        }
    }
}

TEST_P(ToolBamTest, BlocksFreeAgreesWithTheTool) {
    const ToolImage& image = this->image();
    ASSERT_EQ(image.error, "");
    Loaded l = load(image);
    ASSERT_EQ(l.disk.bamTracks.size(), kDiskFormats[image.type].trackCount);
    const std::vector<BamTrack>& bam = l.disk.bamTracks;
    int expected = image.blocksFree;
    if (image.type == kTypeD64x40) {
        // cc1541 prints the free blocks of tracks 1 to 35 only, whichever DOS the disk is for
        // (the listings of every image are cc1541's).
        for (std::uint32_t t = 36; t <= 40; ++t) expected += freeBits(bam[t - 1]);
    }
    if (image.tool == "cc1541" && image.type == kTypeD71) {
        // cc1541 counts track 53 as well; the drive keeps it for the second side's BAM.
        expected -= freeBits(bam[52]);
    }
    EXPECT_EQ(l.disk.blocksFree, expected) << "the tool printed " << image.blocksFree;
}

std::string testName(const ::testing::TestParamInfo<std::string>& info) {
    std::string name;
    for (char c : info.param) name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    return name;
}

INSTANTIATE_TEST_SUITE_P(Tools, ToolBamTest, ::testing::ValuesIn(toolImageNames()), testName);
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(ToolBamTest);

// The differences above must be real ones: else those branches test nothing.
TEST(ToolBam, FixtureHasTheCasesWhereTheToolCountsOtherwise) {
    if (test::toolImagesDir().empty()) GTEST_SKIP() << "built without the tool images";
    bool d71WithTrack53Free = false, fortyTrackWithOuterTracksFree = false;
    for (const ToolImage& image : test::toolImages()) {
        if (image.tool != "cc1541" || !image.error.empty()) continue;
        Loaded l = load(image);
        if (image.type == kTypeD71 && l.disk.bamTracks.size() == 70)
            d71WithTrack53Free |= freeBits(l.disk.bamTracks[52]) > 0;
        if (image.type == kTypeD64x40 && l.disk.bamTracks.size() == 40)
            for (std::uint32_t t = 36; t <= 40; ++t)
                fortyTrackWithOuterTracksFree |= freeBits(l.disk.bamTracks[t - 1]) > 0;
    }
    EXPECT_TRUE(d71WithTrack53Free);
    EXPECT_TRUE(fortyTrackWithOuterTracksFree);
}

}  // namespace
}  // namespace qvx
