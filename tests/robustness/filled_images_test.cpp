// Images of every valid size filled with 0x00 or 0xFF, and D80/D82 images whose BAM ranges make
// no sense: the whole load, every view, and the qvx program on each.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>
#include <tuple>
#include <vector>

#include "base/text.h"
#include "hostile_images.h"
#include "load_run.h"
#include "support/image_builder.h"

namespace qvx::test {
namespace {

using Lines = std::vector<std::u16string>;

std::vector<std::u16string> splitLines(const std::u16string& text) {
    std::vector<std::u16string> lines;
    std::size_t start = 0;
    for (std::size_t cr; (cr = text.find(u'\r', start)) != std::u16string::npos; start = cr + 1)
        lines.push_back(text.substr(start, cr - start));
    EXPECT_EQ(start, text.size()) << "text does not end in a line break";
    return lines;
}

// The rows of a map after its three header lines: "ttt: " and one character per sector, the
// sectors of the track by the zone table (the last zone's beyond it).
void expectMapRows(const std::u16string& map, DiskType type, std::size_t rows,
                   const std::u16string& allowed) {
    const std::vector<std::u16string> lines = splitLines(map);
    ASSERT_EQ(lines.size(), 3 + rows);
    for (std::size_t t = 1; t <= rows; ++t) {
        const std::u16string& row = lines[2 + t];
        const std::uint32_t spt =
            t <= kDiskFormats[type].trackCount
                ? sectorsOnTrack(type, static_cast<std::uint32_t>(t))
                : kDiskFormats[type].zones[kDiskFormats[type].zoneCount - 1].sectorsPerTrack;
        ASSERT_EQ(row.size(), 5 + spt) << "track " << t;
        std::u16string number = decimal(static_cast<std::int64_t>(t));
        EXPECT_EQ(row.substr(0, 5), std::u16string(3 - number.size(), u'0') + number + u": ");
        EXPECT_EQ(row.find_first_not_of(allowed, 5), std::u16string::npos) << "track " << t;
    }
}

using FillCase = std::tuple<DiskType, bool, std::uint8_t>;

class FilledImage : public ::testing::TestWithParam<FillCase> {};

TEST_P(FilledImage, LoadsWithTheLinesItsLayoutGivesAndEveryViewIsDrawn) {
    const auto [type, errorBytes, fill] = GetParam();
    const std::string path = filledImage(type, errorBytes, fill)
                                 .write(scratchDir() + "/" + filledName(type, errorBytes, fill));
    const LoadRun run = loadRun(path);

    EXPECT_EQ(run.lines, filledTrace(type, errorBytes, fill));
    EXPECT_EQ(run.image.type, type);
    EXPECT_EQ(run.image.subType, kSubTypeNone);
    EXPECT_EQ(run.image.hasErrorBytes, errorBytes ? 1 : 0);
    ASSERT_EQ(run.image.dirEntries.size(), 1 + filledFileEntries(fill));
    std::array<std::uint8_t, 16> diskName;
    diskName.fill(fill);
    EXPECT_EQ(run.image.dirEntries[0].name, diskName);
    EXPECT_EQ(run.image.bamTracks.size(), filledBamTracks(type));
    EXPECT_EQ(run.image.blocksFree, filledBlocksFree(type, fill));

    // Listing: the header line, one line per entry, free blocks, an empty line, type, error info.
    const std::vector<std::u16string> listing = splitLines(run.listing);
    ASSERT_EQ(listing.size(), 1 + 1 + filledFileEntries(fill) + 4);
    EXPECT_EQ(listing[0], u"");
    EXPECT_EQ(listing[1].substr(0, 2), u"0 ");
    for (std::size_t i = 0; i < filledFileEntries(fill); ++i)
        EXPECT_EQ(listing[2 + i].substr(0, 6), u"-1   \"") << "65535 blocks, signed";
    EXPECT_EQ(listing[2 + filledFileEntries(fill)],
              decimal(filledBlocksFree(type, fill)) + u" BLOCKS FREE.");
    EXPECT_EQ(run.secondSet.size(), run.listing.size());
    EXPECT_NE(run.secondSet, run.listing);

    expectMapRows(run.image.bamMapText, type, filledBamTracks(type), fill == 0 ? u"0" : u"1");
    if (errorBytes) {
        EXPECT_EQ(run.image.errorBytes,
                  std::vector<std::uint8_t>(kDiskFormats[type].totalSectors, fill));
        expectMapRows(run.image.errorMapText, type, kDiskFormats[type].trackCount,
                      fill == 0 ? u"0" : u"F");
    } else {
        EXPECT_EQ(run.image.errorMapText, u"");
    }
}

TEST_P(FilledImage, QvxShowsEveryViewRawAndOnATerminal) {
    const auto [type, errorBytes, fill] = GetParam();
    const std::string path = filledImage(type, errorBytes, fill)
                                 .write(scratchDir() + "/" + filledName(type, errorBytes, fill));
    const LoadRun run = loadRun(path);
    const std::u16string* texts[] = {&run.listing, &run.secondSet, &run.image.bamMapText,
                                     &run.image.errorMapText};
    // A directory of 0xFF bytes links off its track: the image is read with that problem.
    const bool problems = !run.image.problems.empty();
    const std::string report =
        problems ? "qvx: " + path +
                       ": read with problems: its directory links to 255/255, off "
                       "the directory track\n"
                 : "";
    for (int view = 0; view < (errorBytes ? 4 : 3); ++view) {
        SCOPED_TRACE("view " + std::to_string(view));
        const ProgramResult raw = runQvx({"--raw", "--view", std::to_string(view), path});
        EXPECT_EQ(raw.status, problems ? 1 : 0);
        EXPECT_EQ(raw.err, report);
        EXPECT_EQ(raw.out, toUtf8(*texts[view]));
        const ProgramResult shown =
            runQvx({"--color", "always", "--view", std::to_string(view), path});
        EXPECT_EQ(shown.status, problems ? 1 : 0);
        EXPECT_EQ(shown.err, report);
        EXPECT_EQ(std::count(shown.out.begin(), shown.out.end(), '\n'),
                  std::count(texts[view]->begin(), texts[view]->end(), u'\r'));
    }
    const ProgramResult noMap = runQvx({"--view", "3", path});
    EXPECT_EQ(noMap.status, errorBytes && !problems ? 0 : 1);
}

std::string fillCaseName(const ::testing::TestParamInfo<FillCase>& info) {
    const auto [type, errorBytes, fill] = info.param;
    return std::string(fill == 0 ? "Zeros" : "Ones") + shortName(type) +
           (errorBytes ? "WithErrorBytes" : "");
}

INSTANTIATE_TEST_SUITE_P(EveryValidSize, FilledImage,
                         ::testing::Combine(::testing::ValuesIn(kEveryType), ::testing::Bool(),
                                            ::testing::Values(std::uint8_t{0x00},
                                                              std::uint8_t{0xFF})),
                         fillCaseName);

TEST(OddBamRanges, TracksFreeBlocksAndMapFollowTheRangesAsTheyAre) {
    for (const BamRangeCase& c : oddBamRanges()) {
        SCOPED_TRACE(c.name);
        const DiskType type = c.image.type();
        const std::string path = c.image.write(scratchDir() + "/range." + extensionOf(type));
        const LoadRun run = loadRun(path);
        EXPECT_EQ(run.lines,
                  Lines{u"getDirEntries - type is <" + widen(extensionOf(type)) + u">\n"});
        EXPECT_EQ(run.image.bamTracks, std::vector<BamTrack>(c.tracks, 0xFFFFFFFF));
        EXPECT_EQ(run.image.blocksFree, c.blocksFree);
        // Up to 200 tracks, more than the type has: the rows go on past its zone table.
        expectMapRows(run.image.bamMapText, type, c.tracks, u"1");
        const std::vector<std::u16string> listing = splitLines(run.listing);
        ASSERT_EQ(listing.size(), 6u);
        EXPECT_EQ(listing[2], decimal(c.blocksFree) + u" BLOCKS FREE.");
        const ProgramResult r = runQvx({"--raw", "--view", "2", path});
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out, toUtf8(run.image.bamMapText));
    }
}

}  // namespace
}  // namespace qvx::test
