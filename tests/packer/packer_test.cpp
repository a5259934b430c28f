// The packer's pure parts (the records' layout, DOS times, header facts, bounded names) and its
// entry points' work on a real image: the header walk, abort, damage and bad handles.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "base/text.h"
#include "packer/entry_points.h"
#include "packer/header_fields.h"
#include "packer/settings.h"
#include "support/image_builder.h"

namespace qvx::packer {
namespace {

constexpr std::size_t kPointer = sizeof(void*);

TEST(PackerRecords, OffsetsAndSizesAreThoseOfThePackedDeclaration) {
    struct Case {
        const char* field;
        std::size_t got;
        std::size_t want;
    };
    const Case cases[] = {
        {"HeaderData.fileName", offsetof(HeaderData, fileName), 260},
        {"HeaderData.fileAttr", offsetof(HeaderData, fileAttr), 552},
        {"HeaderData.cmtBufSize", offsetof(HeaderData, cmtBufSize), 556 + kPointer},
        {"sizeof HeaderData", sizeof(HeaderData), 568 + kPointer},
        {"HeaderDataEx.flags", offsetof(HeaderDataEx, flags), 2048},
        {"HeaderDataEx.fileAttr", offsetof(HeaderDataEx, fileAttr), 2088},
        {"sizeof HeaderDataEx", sizeof(HeaderDataEx), 3128 + kPointer},
        {"HeaderDataExW.fileName", offsetof(HeaderDataExW, fileName), 2048},
        {"HeaderDataExW.flags", offsetof(HeaderDataExW, flags), 4096},
        {"HeaderDataExW.packSize", offsetof(HeaderDataExW, packSize), 4100},
        {"HeaderDataExW.packSizeHigh", offsetof(HeaderDataExW, packSizeHigh), 4104},
        {"HeaderDataExW.unpSize", offsetof(HeaderDataExW, unpSize), 4108},
        {"HeaderDataExW.unpSizeHigh", offsetof(HeaderDataExW, unpSizeHigh), 4112},
        {"HeaderDataExW.fileTime", offsetof(HeaderDataExW, fileTime), 4124},
        {"HeaderDataExW.fileAttr", offsetof(HeaderDataExW, fileAttr), 4136},
        {"HeaderDataExW.reserved", offsetof(HeaderDataExW, reserved), 4152 + kPointer},
        {"sizeof HeaderDataExW", sizeof(HeaderDataExW), 5176 + kPointer},
        {"OpenArchiveData.openResult", offsetof(OpenArchiveData, openResult), kPointer + 4},
        {"sizeof OpenArchiveData", sizeof(OpenArchiveData), 2 * kPointer + 20},
        {"sizeof OpenArchiveDataW", sizeof(OpenArchiveDataW), 2 * kPointer + 20},
        {"sizeof PackDefaultParams", sizeof(PackDefaultParams), 272},
    };
    for (const Case& c : cases) EXPECT_EQ(c.got, c.want) << c.field;
}

std::tm calendar(int year, int month, int day, int hour, int minute, int second) {
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    return t;
}

TEST(PackerTimes, DosDateAndTime) {
    struct Case {
        std::tm time;
        std::uint32_t dos;
    };
    const Case cases[] = {
        {calendar(1980, 1, 1, 0, 0, 0), 0x00210000},
        {calendar(1985, 6, 15, 13, 45, 31), 0x0ACF6DAF},  // odd seconds round down
        {calendar(2026, 12, 9, 23, 59, 59), 0x5D89BF7D},
        {calendar(2107, 12, 31, 23, 59, 58), 0xFF9FBF7D},
        {calendar(1979, 12, 31, 23, 59, 59), 0x00210000},  // before DOS time: its first second
        {calendar(1900, 1, 1, 0, 0, 0), 0x00210000},
        {calendar(2108, 1, 1, 0, 0, 0), 0xFF9FBF7D},  // after: its last
    };
    for (const Case& c : cases) EXPECT_EQ(dosDateTime(c.time), c.dos) << std::asctime(&c.time);
}

// Local times as UTC, whatever the machine's zone.
void useUtc() {
#ifdef _WIN32
    _putenv("TZ=UTC0");
    _tzset();
#else
    setenv("TZ", "UTC0", 1);
    tzset();
#endif
}

TEST(PackerHeaders, FactsForEachHostSystem) {
    useUtc();
    struct Case {
        std::int64_t time;
        bool locked;
        std::uint64_t size;
        HostSystem host;
        std::int32_t fileTime;
        std::uint32_t attributes;
    };
    const Case cases[] = {
        {1700000000, false, 254, HostSystem::Unix, 1700000000, 0100644},
        {1700000000, true, 254, HostSystem::Unix, 1700000000, 0100444},
        {-86400, false, 0, HostSystem::Unix, 0, 0100644},
        {4102444800, false, 0, HostSystem::Unix, 2147483647, 0100644},
        // 2023-11-14 22:13:20 UTC
        {1700000000, false, 1, HostSystem::Windows, 0x576EB1AA, 0x20},
        {1700000000, true, 1, HostSystem::Windows, 0x576EB1AA, 0x21},
        {0, false, 5000000000, HostSystem::Windows, 0x00210000, 0x20},
    };
    for (const Case& c : cases) {
        ArchiveFile file;
        file.hostName = u"GAME.prg";
        file.time = c.time;
        file.locked = c.locked;
        file.size = c.size;
        const HeaderFields fields = headerFields(file, c.host);
        EXPECT_EQ(fields.fileName, file.hostName);
        EXPECT_EQ(fields.size, c.size);
        EXPECT_EQ(static_cast<std::uint32_t>(fields.fileTime),
                  static_cast<std::uint32_t>(c.fileTime))
            << c.time;
        EXPECT_EQ(fields.fileAttr, c.attributes) << c.time << " locked " << c.locked;
    }
}

TEST(PackerHeaders, NamesAreCutWholeCharactersAndTerminated) {
    struct Case {
        std::u16string text;
        std::size_t room;
        std::u16string wide;  // what the UTF-16 buffer holds
        std::string narrow;   // what the UTF-8 buffer holds
    };
    const Case cases[] = {
        {u"ABC.prg", 8, u"ABC.prg", "ABC.prg"},   {u"ABC.prg", 7, u"ABC.pr", "ABC.pr"},
        {u"A\u00E9B", 3, u"A\u00E9", "A"},  // é is two UTF-8 bytes
        {u"A\U0001FB72", 3, u"A", "A"},     // a surrogate pair, four UTF-8 bytes
        {u"A\U0001FB72", 4, u"A\U0001FB72", "A"}, {u"", 1, u"", ""},
    };
    for (const Case& c : cases) {
        std::vector<char16_t> wide(c.room + 1, u'#');
        std::vector<char> narrow(c.room + 1, '#');
        putText(wide.data(), c.room, c.text);
        putText(narrow.data(), c.room, toUtf8(c.text));
        EXPECT_EQ(std::u16string(wide.data()), c.wide) << c.room;
        EXPECT_EQ(std::string(narrow.data()), c.narrow) << c.room;
        EXPECT_EQ(wide[c.room], u'#') << "written past the buffer";
        EXPECT_EQ(narrow[c.room], '#') << "written past the buffer";
    }
}

TEST(PackerHeaders, Destinations) {
    EXPECT_EQ(destinationOf(u"", u"/tmp/x/A.prg", u'/'), u"/tmp/x/A.prg");
    EXPECT_EQ(destinationOf(u"/tmp/x", u"A.prg", u'/'), u"/tmp/x/A.prg");
    EXPECT_EQ(destinationOf(u"C:\\out\\", u"A.prg", u'\\'), u"C:\\out\\A.prg");
}

std::u16string sample(const char* name) {
    return test::u16path(std::string(QVX_SAMPLES_DIR) + "/" + name);
}

// What a file manager does with the handle: headers until the end, each file extracted.
TEST(PackerEntryPoints, ListThenExtractEveryFileAsTheArchiveReadsIt) {
    const std::string out = test::scratchDir();
    std::int32_t result = -1;
    void* handle = openHandle(sample("qvx-sample.d64"), kOpenExtract, result);
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(result, kOk);
    ImageArchive archive;
    ASSERT_TRUE(openArchive(sample("qvx-sample.d64"), ArchiveOptions{}, archive));
    ASSERT_FALSE(archive.files.empty());

    std::int64_t reported = 0;
    setProgress(
        handle,
        [&reported](const std::u16string&, std::int32_t bytes) {
            reported += bytes;
            return true;
        },
        true);
    HeaderDataExW header{};
    for (std::size_t i = 0; i < archive.files.size(); ++i) {
        ASSERT_EQ(readHeaderExW(handle, &header), kOk);
        const ArchiveFile& file = archive.files[i];
        EXPECT_EQ(std::u16string(header.fileName), file.hostName);
        EXPECT_EQ(header.unpSize, file.size);
        const std::u16string target = test::u16path(out) + u"/" + file.hostName;
        const bool whole = file.damage == ChainDamage::None && file.unreadable.empty();
        EXPECT_EQ(processHandle(handle, kExtract, target), whole ? kOk : kBadData)
            << toUtf8(file.hostName);
        EXPECT_EQ(test::readFile(toUtf8(target)), readArchiveFile(archive, i));
    }
    EXPECT_EQ(readHeaderExW(handle, &header), kEndArchive);
    EXPECT_EQ(processHandle(handle, kExtract, u"x"), kEndArchive);
    std::int64_t total = 0;
    for (const ArchiveFile& file : archive.files) total += static_cast<std::int64_t>(file.size);
    EXPECT_EQ(reported, total);
    EXPECT_EQ(closeHandle(handle), kOk);
    EXPECT_EQ(closeHandle(handle), kBadArchive);
    EXPECT_EQ(readHeaderExW(handle, &header), kBadArchive);
}

TEST(PackerEntryPoints, AbortWritesNothingAndNoImageIsAnUnknownFormat) {
    const std::string out = test::scratchDir();
    std::int32_t result = -1;
    void* handle = openHandle(sample("qvx-sample.d64"), kOpenExtract, result);
    ASSERT_NE(handle, nullptr);
    setProgress(
        handle, [](const std::u16string&, std::int32_t) { return false; }, false);
    HeaderData header{};
    ASSERT_EQ(readHeader(handle, &header), kOk);
    const std::u16string target = test::u16path(out + "/aborted.prg");
    EXPECT_EQ(processHandle(handle, kExtract, target), kAborted);
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::u8path(toUtf8(target))));
    EXPECT_EQ(closeHandle(handle), kOk);

    const std::string notImage = test::writeFile(out + "/text.d64", {'h', 'i'});
    result = -1;
    EXPECT_EQ(openHandle(test::u16path(notImage), kOpenList, result), nullptr);
    EXPECT_EQ(result, kUnknownFormat);
    EXPECT_FALSE(canHandle(test::u16path(notImage)));
    EXPECT_TRUE(canHandle(sample("qvx-sample-errors.d64")));
}

TEST(PackerSettings, Pc64FromTheSettingsFile) {
    struct Case {
        const char* ini;
        bool pc64;
    };
    const Case cases[] = {
        {"[QVX]\nPC64=1\n", true},
        {"[other]\nPC64=1\n[qvx]\r\n pc64 = Yes \r\n", true},
        {"[QVX]\nPC64=0\n", false},
        {"[QVX]\nPC64=1\n[other]\nPC64=0\n", true},  // another packer's key is not ours
        {"PC64=1\n[QVX]\n", false},
        {"[QVX]\nPC64\n", false},
        {"", false},
    };
    for (const Case& c : cases) EXPECT_EQ(optionsFromIni(c.ini).pc64, c.pc64) << c.ini;

    // The file is read at each open: the same image comes out in PC64 form, then natively again.
    const std::string ini =
        test::writeFile(test::scratchDir() + "/wcx.ini",
                        {'[', 'Q', 'V', 'X', ']', '\n', 'P', 'C', '6', '4', '=', '1'});
    setSettingsFile(test::u16path(ini));
    std::int32_t result = -1;
    void* handle = openHandle(sample("qvx-sample.d64"), kOpenList, result);
    setSettingsFile(u"");
    ASSERT_NE(handle, nullptr);
    HeaderDataExW header{};
    ASSERT_EQ(readHeaderExW(handle, &header), kOk);
    EXPECT_EQ(std::u16string(header.fileName), u"hello.p00");
    EXPECT_EQ(closeHandle(handle), kOk);
    handle = openHandle(sample("qvx-sample.d64"), kOpenList, result);
    ASSERT_EQ(readHeaderExW(handle, &header), kOk);
    EXPECT_EQ(std::u16string(header.fileName), u"hello.prg");
    EXPECT_EQ(closeHandle(handle), kOk);
}

}  // namespace
}  // namespace qvx::packer
