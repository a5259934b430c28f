// G64 images written by the tests' own GCR writer from D64s: laid out in every way a track may
// lie, damaged on purpose sector by sector, and broken as a file.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "base/text.h"
#include "disk/detect.h"
#include "disk/g64.h"
#include "disk/gcr.h"
#include "render/load.h"
#include "render/petscii.h"
#include "support/g64_writer.h"
#include "support/image_builder.h"
#include "support/trace_capture.h"

namespace qvx {
namespace {

using test::Damage;
using test::G64Options;
using Bytes = std::vector<std::uint8_t>;

// A D64 whose every sector holds bytes of its own, so that a sector read into the wrong place
// shows; a directory of two files; SpeedDOS's BAM for a 40-track one.
Bytes sampleD64(DiskType type) {
    test::ImageBuilder b(type);
    for (std::size_t i = 0; i < b.bytes().size(); ++i)
        b.bytes()[i] = static_cast<std::uint8_t>(i * 7 + i / 256 * 13);
    std::fill_n(b.sector(18, 0), 256, 0);
    std::fill_n(b.sector(18, 1), 256, 0);
    b.header("GCR DISK", "G6", "2A").dirLink(1, 0, 0xFF);
    b.slot(1, 1, 0x82, "FIRST", 3).slot(1, 2, 0x81, "SECOND", 12);
    for (std::uint8_t t = 1; t <= 35; ++t) b.put(18, 0, 4u * t, {5, 0x1F, t, 0});
    if (type == kTypeD64x40)
        for (std::uint8_t k = 0; k < 5; ++k) b.put(18, 0, 0xC0 + 4u * k, {17, 0xFF, 0xFF, 1});
    return b.bytes();
}

std::string writeG64(const Bytes& g64) {
    return test::writeFile(test::scratchDir() + "/disk.g64", g64);
}

// The record as setType and readG64 leave it for the G64, its decoded sectors still there.
DiskImage decode(const Bytes& g64, std::vector<std::u16string>* trace = nullptr) {
    test::TraceCapture capture;
    DiskImage image;
    const std::u16string path = test::u16path(writeG64(g64));
    setType(path, image);
    if (image.container == kContainerG64) readG64(path, image);
    if (trace != nullptr) *trace = capture.lines;
    return image;
}

std::size_t indexOf(std::uint32_t track, std::uint32_t sector) {
    return static_cast<std::size_t>(sectorOffset(kTypeD64x40, track, sector) / kSectorSize);
}

// Checks every sector's code (those listed, else `others`) and bytes: the D64's where a data
// block was taken, zeros elsewhere.
void expectSectors(const DiskImage& image, const Bytes& d64, DiskType type,
                   const std::vector<std::pair<std::size_t, SectorCode>>& codes,
                   SectorCode others = kSectorOk) {
    ASSERT_EQ(image.type, type);
    ASSERT_EQ(image.container, kContainerG64);
    ASSERT_EQ(image.hasErrorBytes, 1);
    const std::size_t sectors = kDiskFormats[type].totalSectors;
    ASSERT_EQ(image.decodedSectors.size(), sectors * 257);
    int wrong = 0;
    for (std::size_t i = 0; i < sectors && wrong < 5; ++i) {
        SectorCode want = others;
        for (auto [index, code] : codes)
            if (index == i) want = code;
        const std::uint8_t got = image.decodedSectors[sectors * 256 + i];
        const bool kept = want == kSectorOk || want == kDataChecksum || want == kIdMismatch;
        const Bytes expected =
            kept ? Bytes(d64.begin() + 256 * i, d64.begin() + 256 * (i + 1)) : Bytes(256, 0);
        const bool same =
            std::equal(expected.begin(), expected.end(), image.decodedSectors.begin() + 256 * i);
        if (got != want || !same) ++wrong;
        EXPECT_EQ(got, want) << "sector index " << i;
        EXPECT_TRUE(same) << "bytes of sector index " << i;
    }
}

TEST(G64, EveryLayoutOfTheTracksReadsAsTheD64) {
    struct Case {
        const char* what;
        DiskType from;
        G64Options options;
        DiskType type;
    };
    G64Options shifted, rotated, halves, long42, noOuterSync;
    shifted.bitShift = 3;
    rotated.rotate = 5000;  // a data block across the end of each ring
    halves.halfTracks = true;
    long42.tracks = 42;
    noOuterSync.noSync = {36, 37, 38, 39, 40};
    const Case cases[] = {
        {"byte-aligned, 35 tracks", kTypeD64, {}, kTypeD64},
        {"bits not on byte boundaries", kTypeD64, shifted, kTypeD64},
        {"sectors across the ring's end", kTypeD64, rotated, kTypeD64},
        {"half tracks stored too", kTypeD64, halves, kTypeD64},
        {"42 tracks stored, 36 to 42 unformatted", kTypeD64, long42, kTypeD64},
        {"40 tracks", kTypeD64x40, {}, kTypeD64x40},
        {"40 tracks, 36 to 40 without sync", kTypeD64x40, noOuterSync, kTypeD64},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Bytes d64 = sampleD64(c.from);
        std::vector<std::u16string> trace;
        expectSectors(decode(test::g64FromD64(d64, c.options), &trace), d64, c.type, {});
        const std::u16string summary = c.type == kTypeD64
                                           ? u"readG64 - 35 tracks, 0 of 683 sectors with errors"
                                           : u"readG64 - 40 tracks, 0 of 768 sectors with errors";
        EXPECT_EQ(trace, std::vector<std::u16string>{summary});
    }
}

TEST(G64, DamagedSectorsGiveTheDrivesErrorCodes) {
    struct Case {
        Damage damage;
        std::uint32_t track, sector;
        SectorCode code;
        const char* trace;
    };
    const Case cases[] = {
        {Damage::kNoHeader, 1, 0, kHeaderNotFound, "track 1: error 20 in sector 0"},
        {Damage::kNoHeader, 17, 20, kHeaderNotFound, "track 17: error 20 in sector 20"},
        {Damage::kNoDataBlock, 20, 3, kNoDataBlock, "track 20: error 22 in sector 3"},
        // The last sector's next block is the ring's first header.
        {Damage::kNoDataBlock, 5, 20, kNoDataBlock, "track 5: error 22 in sector 20"},
        {Damage::kDataChecksum, 18, 1, kDataChecksum, "track 18: error 23 in sector 1"},
        {Damage::kHeaderChecksum, 25, 7, kHeaderChecksum, "track 25: error 27 in sector 7"},
        {Damage::kOtherId, 35, 16, kIdMismatch, "track 35: error 29 in sector 16"},
    };
    const Bytes d64 = sampleD64(kTypeD64);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.trace);
        G64Options options;
        options.damage = {{c.track, c.sector, c.damage}};
        const Bytes g64 = test::g64FromD64(d64, options);
        std::vector<std::u16string> trace;
        expectSectors(decode(g64, &trace), d64, kTypeD64, {{indexOf(c.track, c.sector), c.code}});
        EXPECT_EQ(trace, (std::vector<std::u16string>{
                             u"readG64 - " + widen(c.trace),
                             u"readG64 - 35 tracks, 1 of 683 sectors with errors"}));

        // The error map shows the code's digit in its place; the listing says a sector failed.
        DiskImage loaded;
        test::TraceCapture quiet;
        const std::u16string listing = loadImage(test::u16path(writeG64(g64)), loaded);
        const std::u16string prefix =
            u"\r" + std::u16string(c.track < 10 ? u"00" : u"0") + decimal(c.track) + u": ";
        const std::size_t row = loaded.errorMapText.find(prefix);
        ASSERT_NE(row, std::u16string::npos);
        EXPECT_EQ(loaded.errorMapText[row + prefix.size() + c.sector], u"0123456789AB"[c.code]);
        const std::u16string errorLine = petsciiToFont(u"ERROR INFO: 1 BAD SECTOR", 0, 0) + u"\r";
        ASSERT_GT(listing.size(), errorLine.size());
        EXPECT_EQ(listing.substr(listing.size() - errorLine.size()), errorLine);
        EXPECT_TRUE(loaded.decodedSectors.empty());
    }
}

TEST(G64, TheDisksIdIsTheOneOfTrack18Sector0) {
    const Bytes d64 = sampleD64(kTypeD64);
    G64Options options;
    options.damage = {{18, 0, Damage::kOtherId}};
    std::vector<std::u16string> trace;
    expectSectors(decode(test::g64FromD64(d64, options), &trace), d64, kTypeD64,
                  {{indexOf(18, 0), kSectorOk}}, kIdMismatch);
    ASSERT_EQ(trace.size(), 36u);
    EXPECT_EQ(trace[17], u"readG64 - track 18: error 29 in sectors 1-18");
    options.damage = {{18, 2, Damage::kOtherId},
                      {18, 5, Damage::kOtherId},
                      {18, 6, Damage::kOtherId},
                      {18, 7, Damage::kHeaderChecksum}};
    expectSectors(decode(test::g64FromD64(d64, options), &trace), d64, kTypeD64,
                  {{indexOf(18, 2), kIdMismatch},
                   {indexOf(18, 5), kIdMismatch},
                   {indexOf(18, 6), kIdMismatch},
                   {indexOf(18, 7), kHeaderChecksum}});
    EXPECT_EQ(trace.front(),
              u"readG64 - track 18: error 27 in sector 7; error 29 in sectors 2, 5-6");
    options.damage = {{18, 0, Damage::kHeaderChecksum}, {3, 3, Damage::kOtherId}};
    // Without a readable header there, no ID is compared.
    expectSectors(decode(test::g64FromD64(d64, options)), d64, kTypeD64,
                  {{indexOf(18, 0), kHeaderChecksum}, {indexOf(3, 3), kSectorOk}});
}

// The tracks of a D64 as the writer formats them, in the table's entries (half tracks empty).
std::vector<Bytes> entriesOf(const Bytes& d64) {
    std::vector<Bytes> entries(70);
    for (std::uint32_t t = 1; t <= 35; ++t)
        entries[2 * (t - 1)] = test::formatTrack(d64.data() + sectorOffset(kTypeD64, t, 0), t,
                                                 sectorsOnTrack(kTypeD64, t), {'G', '6'});
    return entries;
}

std::size_t tableEntry(std::uint32_t track) {
    return 12 + 8 * (track - 1);
}

// Where the file keeps the track: its length, then its bytes (the writer's offsets fit 24 bits).
std::size_t trackAt(const Bytes& file, std::uint32_t track) {
    const std::size_t at = tableEntry(track);
    return file[at] | file[at + 1] << 8 | file[at + 2] << 16;
}

void put(Bytes& bytes, std::size_t at, std::vector<std::uint8_t> values) {
    std::copy(values.begin(), values.end(), bytes.begin() + at);
}

TEST(G64, DamagedFilesTraceAndKeepWhatReads) {
    const Bytes d64 = sampleD64(kTypeD64);
    struct Case {
        const char* what;
        std::function<Bytes()> make;
        std::vector<std::u16string> lines;  // each the start of a line the trace must hold
        std::uint32_t badTrack;             // all its sectors get badCode; 0 for none
        SectorCode badCode;                 // kNoSync with no badTrack: no disk at all
        std::vector<Problem> problems;      // the damage to the file, in track order
    };
    auto g64Problem = [](ProblemCode code, int track = -1) {
        return Problem{code, ProblemSource::G64, static_cast<std::int16_t>(track)};
    };
    // The tracks that begin less than 65535 bytes before the end of the file: the last eight.
    std::vector<Problem> lastTracksCut;
    for (int t = 28; t <= 35; ++t)
        lastTracksCut.push_back(g64Problem(ProblemCode::G64TrackCutShort, t));
    const Case cases[] = {
        {"track offset past the end",
         [&] {
             Bytes f = test::g64FromD64(d64);
             put(f, tableEntry(5), {0xF0, 0xFF, 0xFF, 0x7F});
             return f;
         },
         {u"readG64 - track 5: offset 2147483632 past the end of the file"},
         5,
         kNoSync,
         {g64Problem(ProblemCode::G64OffsetPastEnd, 5)}},
        {"length beyond the header's track size",
         [&] {
             Bytes f = test::g64FromD64(d64);
             put(f, trackAt(f, 7), {0x28, 0x23});  // 9000
             return f;
         },
         {u"readG64 - track 7: length 9000 beyond the track size 7928"},
         0,
         kSectorOk,
         {g64Problem(ProblemCode::G64TrackTooLong, 7)}},
        {"length beyond the track size, the file cut short too",
         [&] {
             Bytes f = test::g64FromD64(d64);
             put(f, trackAt(f, 35), {0x28, 0x23});
             f.resize(f.size() - 100);
             return f;
         },
         {u"readG64 - track 35: length 9000 beyond the track size 7928; cut short after "},
         0,
         kSectorOk,
         {g64Problem(ProblemCode::G64TrackTooLong, 35),
          g64Problem(ProblemCode::G64TrackCutShort, 35)}},
        {"a track without sync",
         [&] {
             G64Options o;
             o.noSync = {9};
             return test::g64FromD64(d64, o);
         },
         {u"readG64 - track 9: no sync"},
         9,
         kNoSync,
         {}},
        {"a sync without end",
         [&] {
             std::vector<Bytes> e = entriesOf(d64);
             std::fill(e[2 * 9].begin(), e[2 * 9].end(), 0xFF);
             return test::g64File(e);
         },
         {u"readG64 - track 10: sync without end"},
         10,
         kNoSync,
         {}},
        {"a sector twice, the first copy damaged",
         [&] {
             std::vector<Bytes> e = entriesOf(d64);
             const std::uint8_t* sectors = d64.data() + sectorOffset(kTypeD64, 2, 0);
             Bytes& track = e[2 * 1];
             track = test::formatTrack(sectors, 2, 21, {'G', '6'}, {{2, 3, Damage::kDataChecksum}});
             for (const Bytes& part :
                  {test::syncMark(), test::headerBlock(2, 3, {'G', '6'}), Bytes(9, 0x55),
                   test::syncMark(), test::dataBlock(sectors + 3 * 256), Bytes(9, 0x55)})
                 track.insert(track.end(), part.begin(), part.end());
             return test::g64File(e, 8192);
         },
         {u"readG64 - track 2: sector 3 found 2 times"},
         0,
         kSectorOk,
         {}},
        {"84 half tracks of the largest size, the file far shorter",
         [&] {
             Bytes f = test::g64FromD64(d64);
             put(f, 10, {0xFF, 0xFF});
             for (std::uint32_t t = 1; t <= 35; ++t) {
                 put(f, trackAt(f, t), {0xFF, 0xFF});
             }
             return f;
         },
         {u"readG64 - track 35: cut short after "},
         0,
         kSectorOk,
         lastTracksCut},
        {"the track table cut short",
         [&] {
             Bytes f = test::g64FromD64(d64);
             f.resize(12 + 20);
             return f;
         },
         {u"readG64 - track table cut short", u"readG64 - track 1: offset ",
          u"readG64 - track 4: not in the image"},
         0,
         kNoSync,
         {g64Problem(ProblemCode::G64TableCutShort), g64Problem(ProblemCode::G64OffsetPastEnd, 1),
          g64Problem(ProblemCode::G64OffsetPastEnd, 2),
          g64Problem(ProblemCode::G64OffsetPastEnd, 3), g64Problem(ProblemCode::G64NoTrack)}},
        {"the header alone",
         [&] {
             Bytes f = test::g64FromD64(d64);
             f.resize(12);
             return f;
         },
         {u"readG64 - track table cut short", u"readG64 - track 1: not in the image"},
         0,
         kNoSync,
         {g64Problem(ProblemCode::G64TableCutShort), g64Problem(ProblemCode::G64NoTrack)}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<std::u16string> trace;
        const DiskImage image = decode(c.make(), &trace);
        for (const std::u16string& line : c.lines)
            EXPECT_TRUE(std::any_of(trace.begin(), trace.end(), [&](const std::u16string& l) {
                return l.rfind(line, 0) == 0;
            })) << toUtf8(line);
        EXPECT_EQ(image.problems, c.problems);
        if (c.badCode == kNoSync && c.badTrack == 0) {  // nothing of a disk: no image
            EXPECT_EQ(image.type, kTypeUnknown);
            EXPECT_EQ(image.hasErrorBytes, 0);
            EXPECT_TRUE(image.decodedSectors.empty());
            continue;
        }
        std::vector<std::pair<std::size_t, SectorCode>> bad;
        for (std::uint32_t s = 0; c.badTrack != 0 && s < sectorsOnTrack(kTypeD64, c.badTrack); ++s)
            bad.emplace_back(indexOf(c.badTrack, s), c.badCode);
        expectSectors(image, d64, kTypeD64, bad);
    }
}

TEST(G64, OtherFilesAreNoG64) {
    const Bytes good = test::g64FromD64(sampleD64(kTypeD64));
    struct Case {
        const char* what;
        std::size_t at;
        std::uint8_t value;
        std::size_t size;
    };
    const Case cases[] = {
        {"another signature", 7, '2', good.size()},
        {"version 1", 8, 1, good.size()},
        {"shorter than the header", 0, 'G', 11},
        {"empty", 0, 'G', 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Bytes file = good;
        file[c.at] = c.value;
        file.resize(c.size);
        std::vector<std::u16string> trace;
        const DiskImage image = decode(file, &trace);
        EXPECT_EQ(image.type, kTypeUnknown);
        EXPECT_EQ(image.container, kContainerSectors);
        EXPECT_EQ(trace, std::vector<std::u16string>{u"setType - file type not supprted"});
    }
}

}  // namespace
}  // namespace qvx
