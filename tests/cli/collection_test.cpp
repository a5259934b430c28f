// qvx over many images: the order of paths and folders, what counts in a folder, unreadable and
// damaged images, the JSON Lines against the load in this process, --find, the trace.
#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "base/text.h"
#include "disk/format.h"
#include "render/load.h"
#include "run_program.h"
#include "support/image_builder.h"
#include "support/image_kinds.h"

namespace qvx::test {
namespace {

namespace fs = std::filesystem;
using Json = nlohmann::json;

ProgramResult qvx(std::vector<std::string> args) {
    args.insert(args.begin(), QVX_BINARY);
    return runProgram(args);
}

std::vector<Json> jsonLines(const std::string& out) {
    std::vector<Json> lines;
    std::size_t start = 0;
    for (std::size_t lf; (lf = out.find('\n', start)) != std::string::npos; start = lf + 1)
        lines.push_back(Json::parse(out.substr(start, lf - start)));
    EXPECT_EQ(start, out.size()) << "output does not end in a line feed";
    return lines;
}

std::vector<std::string> jsonPaths(const std::string& out) {
    std::vector<std::string> paths;
    for (const Json& line : jsonLines(out)) paths.push_back(line["path"]);
    return paths;
}

// A small disk: a header and the named files, all closed PRGs of 1 to n blocks.
std::string writeDisk(const std::string& path, DiskType type, const std::string& diskName,
                      const std::vector<std::string>& files = {"HELLO"}, bool errorBytes = false) {
    ImageBuilder b(type, errorBytes);
    b.header(diskName, "ID", "2A");
    const std::uint32_t first = kDiskFormats[type].firstDirSector;
    for (std::size_t i = 0; i < files.size(); ++i)
        b.slot(first, static_cast<int>(i) + 1, 0x82, files[i], static_cast<std::uint16_t>(i + 1));
    fs::create_directories(fs::u8path(path).parent_path());
    return b.write(path);
}

std::string hex(const std::uint8_t* bytes, std::size_t count) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (std::size_t i = 0; i < count; ++i) {
        out += digits[bytes[i] >> 4];
        out += digits[bytes[i] & 0xF];
    }
    return out;
}

TEST(QvxCollection, EachImageFollowsItsPathLineInTheOrderGiven) {
    const std::string dir = scratchDir();
    const std::string a = writeDisk(dir + "/a.d64", kTypeD64, "FIRST");
    const std::string b = writeDisk(dir + "/b.d81", kTypeD81, "SECOND");
    const std::string c = writeDisk(dir + "/c.d71", kTypeD71, "THIRD");
    const ProgramResult r = qvx({"--color", "never", c, a, b});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    std::string expected;
    for (const std::string& path : {c, a, b}) {
        if (!expected.empty()) expected += "\n";
        expected += "==> " + path + " <==\n" + qvx({"--color", "never", path}).out;
    }
    EXPECT_EQ(r.out, expected);
}

TEST(QvxCollection, FoldersCountTheDetectedExtensionsSortedByName) {
    const std::string dir = scratchDir();
    const std::string other = scratchDir();
    writeDisk(dir + "/b.d64", kTypeD64, "B");
    writeDisk(dir + "/A.D81", kTypeD81, "A");
    writeDisk(dir + "/c.txt", kTypeD64, "NOT COUNTED");
    writeDisk(dir + "/noext", kTypeD64, "NOT COUNTED");
    writeDisk(dir + "/sub/d.d71", kTypeD71, "D");
    writeDisk(dir + "/sub/deeper/e.d80", kTypeD80, "E");
    writeDisk(dir + "/sub.d82/f.d82", kTypeD82, "F");
    // Counted as the detect string names it, though it holds no G64.
    writeFile(dir + "/sub/g.G64", std::vector<std::uint8_t>(100, 0));
    writeDisk(other + "/linked.d64", kTypeD64, "THROUGH A LINK");
    fs::create_directory_symlink(fs::u8path(other), fs::u8path(dir + "/link-to-folder"));
    fs::create_directory_symlink(fs::u8path(other), fs::u8path(dir + "/folder-link.d64"));
    fs::create_symlink(fs::u8path(other + "/linked.d64"), fs::u8path(dir + "/link.d64"));

    ProgramResult r = qvx({"--json", dir});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(jsonPaths(r.out),
              (std::vector<std::string>{dir + "/A.D81", dir + "/b.d64", dir + "/link.d64"}));

    r = qvx({"--json", "-r", dir + "/"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "qvx: " + dir +
                         "/sub/g.G64: not a readable disk image: it does not begin with the "
                         "signature and version of a G64\n");
    EXPECT_EQ(jsonPaths(r.out),
              (std::vector<std::string>{dir + "/A.D81", dir + "/b.d64", dir + "/link.d64",
                                        dir + "/sub/d.d71", dir + "/sub/deeper/e.d80",
                                        dir + "/sub/g.G64", dir + "/sub.d82/f.d82"}));

    // A link given on the command line is followed.
    r = qvx({"--json", dir + "/link-to-folder"});
    EXPECT_EQ(jsonPaths(r.out), std::vector<std::string>{dir + "/link-to-folder/linked.d64"});
}

TEST(QvxCollection, FoldersWithoutImagesAreSaid) {
    const std::string dir = scratchDir();
    fs::create_directories(fs::u8path(dir + "/empty.d64"));
    fs::create_directories(fs::u8path(dir + "/outer/inner"));
    writeFile(dir + "/outer/notes.txt", {1, 2, 3});
    writeDisk(dir + "/outer/inner/deep.d64", kTypeD64, "DEEP");
    struct Case {
        std::vector<std::string> args;
        std::string err;
    };
    const Case cases[] = {
        {{dir + "/empty.d64"}, "qvx: " + dir + "/empty.d64: no disk image in this folder\n"},
        {{"--json", "-r", dir + "/empty.d64"},
         "qvx: " + dir + "/empty.d64: no disk image in this folder or the folders inside it\n"},
        {{"--find", "*", dir + "/outer"}, "qvx: " + dir + "/outer: no disk image in this folder\n"},
    };
    for (const Case& c : cases) {
        const ProgramResult r = qvx(c.args);
        EXPECT_EQ(r.status, 1) << c.err;
        EXPECT_EQ(r.out, "") << c.err;
        EXPECT_EQ(r.err, c.err);
    }
    EXPECT_EQ(qvx({"-r", dir + "/outer"}).status, 0);
}

// Bytes that are not UTF-8 in a name, as old collections from Latin-1 systems have them.
TEST(QvxCollection, NamesThatAreNotUtf8KeepTheirBytes) {
    const std::string base = scratchDir();
    const std::string dir = base + "/caf\xE9";
    const std::string shownDir = base + "/caf\\xE9";  // as messages and JSON show it
    const std::string good = writeDisk(dir + "/d\xFCsk.d64", kTypeD64, "LATIN");
    sizedFile(dir + "/\xE9t\xE9.d64", 10);

    ProgramResult r = qvx({"--color", "never", good});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("\"LATIN"), std::string::npos);
    EXPECT_EQ(qvx({"--png", dir + "/\xE0.png", good}).status, 0);
    EXPECT_FALSE(readFile(dir + "/\xE0.png").empty());

    r = qvx({"--json", dir});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err.rfind("qvx: " + shownDir +
                              "/\\xE9t\\xE9.d64: not a readable disk image: its size, 10 bytes",
                          0),
              0u)
        << r.err;
    const std::vector<Json> lines = jsonLines(r.out);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0]["path"], shownDir + "/d\\xFCsk.d64");
    EXPECT_EQ(lines[0]["pathBytes"],
              hex(reinterpret_cast<const std::uint8_t*>(good.data()), good.size()));
    EXPECT_EQ(lines[0]["readable"], true);
    EXPECT_EQ(lines[1]["problems"][0]["code"], "unsupported-size");

    r = qvx({"-r", "--find", "HEL*", dir});
    EXPECT_EQ(r.out.rfind(shownDir + "/d\\xFCsk.d64:", 0), 0u) << r.out;
}

TEST(QvxCollection, UnreadableImagesAreReportedAndTheRunGoesOn) {
    const std::string dir = scratchDir();
    const std::string good = writeDisk(dir + "/good.d64", kTypeD64, "GOOD");
    const std::string cut = sizedFile(dir + "/cut.d64", 1000);
    const std::string missing = dir + "/missing.d81";
    // Each image is reported as it is alone.
    const std::string errors = qvx({cut}).err + qvx({missing}).err;
    EXPECT_EQ(errors, "qvx: " + cut +
                          ": not a readable disk image: its size, 1000 bytes, is that of no D64, "
                          "D71, D80, D81, D82 image, with or without error bytes\n" +
                          "qvx: " + missing +
                          ": not a readable disk image: there is no file of that name, or it is "
                          "a folder or a device\n");

    ProgramResult r = qvx({"--color=never", cut, good, missing});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "==> " + cut + " <==\n\n==> " + good + " <==\n" +
                         qvx({"--color=never", good}).out + "\n==> " + missing + " <==\n");
    EXPECT_EQ(r.err, errors);

    r = qvx({"--json", cut, good, missing});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, errors);
    const std::vector<Json> lines = jsonLines(r.out);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0]["readable"], false);
    EXPECT_EQ(lines[0]["problems"],
              Json::parse(R"([{"code":"unsupported-size","source":"type"}])"));
    EXPECT_EQ(lines[0]["entries"], Json::array());
    EXPECT_TRUE(lines[0]["header"].is_null());
    EXPECT_EQ(lines[1]["readable"], true);
    EXPECT_EQ(lines[2]["problems"][0]["code"], "not-a-file");

    EXPECT_EQ(qvx({"--json", good, good}).status, 0);
}

TEST(QvxCollection, DamagedImagesAreReadWithTheirProblemsNamed) {
    const std::string dir = scratchDir();
    ImageBuilder b(kTypeD64);
    b.header("CYCLE", "CY", "2A").dirLink(1, 18, 4).dirLink(4, 18, 1);
    b.slot(1, 1, 0x82, "ONE", 1).slot(4, 1, 0x82, "FOUR", 4);
    const std::string path = b.write(dir + "/cycle.d64");

    const std::string report =
        "qvx: " + path + ": read with problems: its directory links back to 18/1, read before\n";
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{path}, {"-r", dir}, {"--json", dir}}) {
        const ProgramResult r = qvx(args);
        EXPECT_EQ(r.status, 1) << args.front();
        EXPECT_EQ(r.err, report) << args.front();
    }

    const ProgramResult r = qvx({"--json", dir});
    const std::vector<Json> lines = jsonLines(r.out);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0]["entries"].size(), 2u);
    EXPECT_EQ(lines[0]["problems"],
              Json::parse(R"([{"code":"cyclic-dir-sector","source":"directory","track":18,)"
                          R"("sector":1}])"));
}

class QvxJson : public ::testing::TestWithParam<std::tuple<DiskType, bool>> {};

TEST_P(QvxJson, HoldsWhatTheLoadRead) {
    const auto [type, errorBytes] = GetParam();
    ImageBuilder b(type, errorBytes);
    const std::uint32_t dir = kDiskFormats[type].firstDirSector;
    b.header("JSON \"DISK\"\\", "J\xD3", "2A")
        .slot(dir, 1, 0x82, "HELLO", 1)
        .slot(dir, 2, 0x41, "OPEN \xC1\xDE\xFF", 65535)
        .slot(dir, 5, 0x86, "", 0);
    const BamSector& bam = kDiskFormats[type].bamSectors[0];
    b.put(bam.track, bam.sector, bam.firstEntry, {9, 0xFF, 0xFF, 0x01, 0x0F, 0xF0});
    if (errorBytes) b.errorByte(0, 0x05).errorByte(1, 0x05).errorByte(2, 0x17);
    // Quotes, backslashes and control characters in the path are escaped.
    const std::string path = b.write(scratchDir() + "/a\\b \"c\"\t\x01." + extensionOf(type));
    DiskImage loaded;
    loadImage(u16path(path), loaded);

    const ProgramResult r = qvx({"--json", path});
    EXPECT_EQ(r.status, 0);
    const std::vector<Json> lines = jsonLines(r.out);
    ASSERT_EQ(lines.size(), 1u);
    const Json& j = lines[0];
    const DiskFormat& format = kDiskFormats[type];
    EXPECT_EQ(j["path"], path);
    EXPECT_TRUE(j["pathBytes"].is_null());
    EXPECT_NE(r.out.find(R"(a\\b \"c\"\t\u0001.)"), std::string::npos) << r.out;
    EXPECT_EQ(j["readable"], true);
    EXPECT_EQ(j["type"], std::string(format.typeName));
    EXPECT_TRUE(j["variant"].is_null());
    EXPECT_EQ(j["tracks"], format.trackCount);
    EXPECT_EQ(j["errorBytes"], errorBytes);
    EXPECT_EQ(j["header"]["name"]["text"], "JSON \"DISK\"\u00A3");
    EXPECT_EQ(j["header"]["name"]["raw"], hex(loaded.dirEntries[0].name.data(), 16));
    EXPECT_EQ(j["header"]["id"], Json::parse(R"({"text":"J\u2665","raw":"4ad3"})"));
    EXPECT_EQ(j["header"]["dosType"], Json::parse(R"({"text":"2A","raw":"3241"})"));
    EXPECT_EQ(j["entries"], Json::parse(R"([
        {"blocks":1,"name":{"text":"HELLO","raw":"48454c4c4fa0a0a0a0a0a0a0a0a0a0a0"},
         "type":"PRG","closed":true,"locked":false},
        {"blocks":65535,"name":{"text":"OPEN \u2660\u03c0\u03c0","raw":"4f50454e20c1deffa0a0a0a0a0a0a0a0"},
         "type":"SEQ","closed":false,"locked":true},
        {"blocks":0,"name":{"text":"","raw":"a0a0a0a0a0a0a0a0a0a0a0a0a0a0a0a0"},
         "type":"???","closed":true,"locked":false}])"));
    EXPECT_EQ(j["blocksFree"], loaded.blocksFree);
    if (errorBytes) {
        EXPECT_EQ(j["errorCounts"],
                  Json::parse(R"([{"code":0,"sectors":)" + std::to_string(format.totalSectors - 3) +
                              R"(},{"code":5,"sectors":2},{"code":23,"sectors":1}])"));
    } else {
        EXPECT_TRUE(j["errorCounts"].is_null());
    }
    EXPECT_EQ(j["problems"], Json::array());
}

INSTANTIATE_TEST_SUITE_P(AllTypes, QvxJson,
                         ::testing::Combine(::testing::ValuesIn(kEveryType), ::testing::Bool()),
                         [](const auto& info) {
                             return kindName(std::get<0>(info.param), std::get<1>(info.param));
                         });

TEST(QvxJson, FortyTrackVariants) {
    const std::string dir = scratchDir();
    ImageBuilder speed(kTypeD64x40);
    speed.put(18, 0, 0xC0, {0x11});
    ImageBuilder dolphin(kTypeD64x40);
    dolphin.put(18, 0, 0xAC, {0x11});
    const ProgramResult r =
        qvx({"--json", dolphin.write(dir + "/dolphin.d64"), speed.write(dir + "/speed.d64")});
    const std::vector<Json> lines = jsonLines(r.out);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0]["variant"], "dolphin");
    EXPECT_EQ(lines[1]["variant"], "speed");
    EXPECT_EQ(lines[1]["tracks"], 40);
}

TEST(QvxFind, FindsThePlantedEntriesAcrossFolders) {
    const std::string dir = scratchDir();
    const std::string one = writeDisk(dir + "/x/one.d64", kTypeD64, "ONE", {"INTRO", "GAME ONE"});
    const std::string two = writeDisk(dir + "/y/two.d81", kTypeD81, "TWO", {"\xC7\x41ME TWO"});
    writeDisk(dir + "/decoy.d64", kTypeD64, "DECOY", {"MY GAME", "GAM"});
    sizedFile(dir + "/broken.d64", 10);

    ProgramResult r = qvx({"-r", "--find", "GAME*", dir});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, one + ":2    \"GAME ONE        \" PRG\n" + two +
                         ":1    \"\U0001FB71AME TWO        \" PRG\n");
    EXPECT_EQ(r.err, qvx({dir + "/broken.d64"}).err);

    r = qvx({"-r", "--find", "game*", "--view", "1", dir});
    EXPECT_EQ(r.out,
              one + ":2    \"game one        \" prg\n" + two + ":1    \"Game two        \" prg\n");

    r = qvx({"-r", "--json", "--find=GAME*", dir});
    EXPECT_EQ(r.status, 0);
    const std::vector<Json> lines = jsonLines(r.out);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0]["path"], one);
    EXPECT_EQ(lines[0]["index"], 2);
    EXPECT_EQ(lines[0]["entry"]["name"]["text"], "GAME ONE");
    EXPECT_EQ(lines[1]["entry"]["name"]["raw"], "c7414d452054574fa0a0a0a0a0a0a0a0");

    // Without -r only the folder's own images; nothing matched is status 1.
    r = qvx({"--find", "GAME*", dir});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(qvx({"-r", "--find", "GAMES*", dir}).status, 1);
    EXPECT_EQ(qvx({"-r", "--find", "GAM", dir}).status, 0);
}

TEST(QvxCollection, TraceLinesComeWithTheirImageInOrder) {
    const std::string dir = scratchDir();
    std::vector<std::string> args = {"--trace", "--raw"};
    std::string expectedErr;
    std::string expectedOut;
    for (DiskType type : kEveryType) {
        const std::string path = writeDisk(dir + "/" + shortName(type) + "." + extensionOf(type),
                                           type, shortName(type), {"A", "B", "C"});
        args.push_back(path);
        const ProgramResult single = qvx({"--trace", "--raw", path});
        expectedErr += single.err;
        expectedOut += (expectedOut.empty() ? "" : "\n") + ("==> " + path + " <==\n") + single.out;
    }
    const ProgramResult r = qvx(args);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, expectedErr);
    EXPECT_EQ(r.out, expectedOut);
}

TEST(QvxCollection, ManyImagesStayInOrderAndNoProgressLineOutsideATerminal) {
    const std::string dir = scratchDir();
    std::vector<std::string> expected;
    for (int i = 0; i < 300; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "%03d", i);
        const DiskType type = kEveryType[i % 6];
        expected.push_back(writeDisk(dir + "/" + name + "." + extensionOf(type), type, name));
    }
    const ProgramResult r = qvx({"--json", dir});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    const std::vector<Json> lines = jsonLines(r.out);
    ASSERT_EQ(lines.size(), expected.size());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        EXPECT_EQ(lines[i]["path"], expected[i]);
        EXPECT_EQ(lines[i]["header"]["name"]["text"], fs::u8path(expected[i]).stem().string());
    }
}

TEST(QvxCollection, ErrorMapViewNeedsErrorBytesInEachImage) {
    const std::string dir = scratchDir();
    const std::string with = writeDisk(dir + "/with.d64", kTypeD64, "WITH", {"A"}, true);
    const std::string without = writeDisk(dir + "/without.d64", kTypeD64, "WITHOUT");
    const ProgramResult r = qvx({"--view", "3", dir});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "qvx: " + without + ": no error bytes, so no error map (view 3)\n");
    EXPECT_EQ(r.out, "==> " + with + " <==\n" + qvx({"--view", "3", with}).out + "\n==> " +
                         without + " <==\n");
}

}  // namespace
}  // namespace qvx::test
