// The qvx program end to end: views, exit statuses, usage errors, trace and colour, run as a child
// process on images built byte by byte and compared with the load run in this process.
#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "base/text.h"
#include "base/trace.h"
#include "disk/format.h"
#include "disk/image.h"
#include "qvx_version.h"
#include "render/listing.h"
#include "render/load.h"
#include "render/picture.h"
#include "render/unicode_text.h"
#include "render/views.h"
#include "run_program.h"
#include "support/image_builder.h"
#include "support/image_kinds.h"

namespace qvx::test {
namespace {

constexpr const char* kQvx = QVX_BINARY;
constexpr const char* kSgrReverse = "\x1b[7m";
constexpr const char* kSgrReverseOff = "\x1b[27m";

ProgramResult qvx(std::vector<std::string> args, const ProgramOptions& options = {}) {
    args.insert(args.begin(), kQvx);
    return runProgram(args, options);
}

// A header in reverse video, three entries with letters, digits and graphics, and for error-byte
// images a few error codes.
std::string buildImage(DiskType type, bool errorBytes) {
    ImageBuilder builder(type, errorBytes);
    const std::uint32_t dir = kDiskFormats[type].firstDirSector;
    builder.header("TEST DISK", "AB", "2A")
        .slot(dir, 1, 0x82, "HELLO", 1)
        .slot(dir, 2, 0x01, "DATA 1.2\xC1\xD3", 17)
        .slot(dir, 3, 0xC2, "\xA9\xDE\xFF LOCKED", 300);
    if (errorBytes) builder.errorByte(0, 0x05).errorByte(3, 0x0F).errorByte(20, 0x11);
    const std::string name =
        "image-" + std::to_string(type) + (errorBytes ? "-err." : ".") + extensionOf(type);
    return builder.write(scratchDir() + "/" + name);
}

std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t lf; (lf = text.find('\n', start)) != std::string::npos; start = lf + 1)
        lines.push_back(text.substr(start, lf - start));
    lines.push_back(text.substr(start));
    return lines;
}

std::size_t count(const std::string& text, const std::string& part) {
    std::size_t n = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

std::string withLineFeeds(std::string text) {
    std::replace(text.begin(), text.end(), '\r', '\n');
    return text;
}

// The viewer's texts of an image, made in this process by the same load.
struct Expected {
    DiskImage image;
    std::u16string listing;
    std::u16string secondSet;
    std::string trace;           // of the load, each line + "\n"
    std::string secondSetTrace;  // of setupString with the second set
};

Expected expectedFor(const std::string& path) {
    Expected e;
    std::string* into = &e.trace;
    setTraceSink([&into](const std::u16string& line) { *into += toUtf8(line) + "\n"; });
    e.listing = loadImage(u16path(path), e.image);
    into = &e.secondSetTrace;
    e.secondSet = setupString(e.image, 1);
    setTraceSink(nullptr);
    return e;
}

class QvxViews : public ::testing::TestWithParam<std::tuple<DiskType, bool>> {
  protected:
    const DiskType type = std::get<0>(GetParam());
    const bool errorBytes = std::get<1>(GetParam());
};

TEST_P(QvxViews, RawViewsAreTheViewerTextsInUtf8) {
    const std::string path = buildImage(type, errorBytes);
    const Expected e = expectedFor(path);
    ASSERT_FALSE(e.image.dirEntries.empty());
    ASSERT_EQ(e.image.hasErrorBytes, errorBytes ? 1 : 0);

    const std::u16string* texts[] = {&e.listing, &e.secondSet, &e.image.bamMapText,
                                     &e.image.errorMapText};
    for (int view = 0; view < 4; ++view) {
        if (view == 3 && !errorBytes) continue;
        SCOPED_TRACE("view " + std::to_string(view));
        const ProgramResult r = qvx({"--raw", "--view", std::to_string(view), path});
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.err, "");
        ASSERT_FALSE(texts[view]->empty());
        EXPECT_EQ(r.out, toUtf8(*texts[view]));
    }
}

TEST_P(QvxViews, TerminalViewsHaveLineFeedsAndNoFontCodePoints) {
    const std::string path = buildImage(type, errorBytes);
    for (int view = 0; view < 4; ++view) {
        if (view == 3 && !errorBytes) continue;
        SCOPED_TRACE("view " + std::to_string(view));
        const ProgramResult raw = qvx({"--raw", "--view", std::to_string(view), path});
        const ProgramResult shown = qvx({"--color", "never", "--view", std::to_string(view), path});
        EXPECT_EQ(shown.status, 0);
        EXPECT_EQ(shown.out.find('\r'), std::string::npos);
        EXPECT_EQ(count(shown.out, "\n"), count(raw.out, "\r"));
        // U+EE00..U+EFFF are EE B8 80 .. EE BF BF in UTF-8.
        for (char second = '\xB8'; second != '\xC0'; ++second)
            EXPECT_EQ(shown.out.find(std::string("\xEE") + second), std::string::npos);
        // The maps are plain characters: only the line breaks change.
        if (view >= 2) EXPECT_EQ(shown.out, withLineFeeds(raw.out));
    }
}

// The pixels of a PNG, decoded by the same library; empty when it is not one.
Picture decodePng(const std::string& bytes) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size())) return {};
    image.format = PNG_FORMAT_RGB;
    std::vector<png_byte> rgb(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr)) return {};
    Picture p{static_cast<int>(image.width), static_cast<int>(image.height), {}};
    for (std::size_t i = 0; i + 2 < rgb.size(); i += 3)
        p.pixels.push_back({rgb[i], rgb[i + 1], rgb[i + 2]});
    return p;
}

std::string fileText(const std::string& path) {
    const std::vector<std::uint8_t> bytes = test::readFile(path);
    return std::string(bytes.begin(), bytes.end());
}

TEST_P(QvxViews, PicturesAreTheViewsDrawnFromTheGlyphSource) {
    const std::string path = buildImage(type, errorBytes);
    const Expected e = expectedFor(path);
    const std::u16string* texts[] = {&e.listing, &e.secondSet, &e.image.bamMapText,
                                     &e.image.errorMapText};
    const std::string png = scratchDir() + "/view.png";
    for (int view = 0; view < 4; ++view) {
        if (view == 3 && !errorBytes) continue;
        const int scale = 1 + view % 2;
        SCOPED_TRACE("view " + std::to_string(view) + ", scale " + std::to_string(scale));
        const ProgramResult r = qvx(
            {"--png", png, "--scale", std::to_string(scale), "--view", std::to_string(view), path});
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, "");
        const Picture written = decodePng(fileText(png));
        const Picture expected = scalePicture(renderText(*texts[view]), scale);
        ASSERT_EQ(written.width, expected.width);
        ASSERT_EQ(written.height, expected.height);
        EXPECT_TRUE(written.pixels == expected.pixels);
        // The same bytes on standard output.
        const ProgramResult out = qvx(
            {"--png", "-", "--scale", std::to_string(scale), "--view", std::to_string(view), path});
        EXPECT_EQ(out.status, 0);
        EXPECT_EQ(out.out, fileText(png));
    }
}

INSTANTIATE_TEST_SUITE_P(AllTypes, QvxViews,
                         ::testing::Combine(::testing::ValuesIn(kEveryType), ::testing::Bool()),
                         [](const auto& info) {
                             return kindName(std::get<0>(info.param), std::get<1>(info.param));
                         });

// A BASIC program with a SYS stub and code after it, and a SEQ file: each view as the viewer's
// text, readable without colour (the power token as the arrow), drawn as a picture.
TEST(QvxFiles, ShowsEveryViewOfAProgramAndADataFile) {
    const std::string dir = scratchDir();
    const std::string program =
        writeFile(dir + "/stub.prg",
                  {0x01, 0x08, 0x0B, 0x08, 0x0A, 0x00, 0x41, 0xB2, 0x32, 0xAE, 0x38, 0x00, 0x10,
                   0x08, 0x14, 0x00, 0x9E, 0x32, 0x30, 0x37, 0x31, 0x00, 0x00, 0x00, 0x60});
    const std::string text = writeFile(dir + "/notes.seq", {0x48, 0x49, 0x0D, 0x12, 0x41});
    for (const std::string& path : {program, text}) {
        DiskImage image;
        loadImage(u16path(path), image);
        for (int view = 0; view < 4; ++view) {
            SCOPED_TRACE(path + " view " + std::to_string(view));
            const std::string number = std::to_string(view);
            const ProgramResult raw = qvx({"--raw", "--view", number, path});
            const ProgramResult shown = qvx({"--color", "never", "--view", number, path});
            const ProgramResult png = qvx({"--png", "-", "--view", number, path});
            const std::optional<std::u16string> expected = viewText(image, view);
            EXPECT_EQ(raw.status, expected ? 0 : 1);
            EXPECT_EQ(png.status, raw.status);
            if (!expected) {
                EXPECT_EQ(raw.err, "qvx: " + path + ": a data file has no 6502 view (view 3)\n");
                continue;
            }
            EXPECT_EQ(raw.out, toUtf8(*expected));
            EXPECT_EQ(shown.out, toUtf8(readableText(*expected, u"\n")));
            const Picture drawn = renderText(*expected);
            EXPECT_EQ(decodePng(png.out).height, drawn.height);
        }
    }
    EXPECT_EQ(qvx({"--color", "never", program}).out,
              "10 A=2↑8\n20 SYS2071\n\n0817  60        RTS\n");
    EXPECT_EQ(qvx({"--color", "never", text}).out, "HI\nRA\n");
    // BASIC 3.5 and 7.0 written by hand from their token values, inside PC64 containers.
    const std::pair<std::vector<std::uint8_t>, const char*> dialects[] = {
        {{0x01, 0x10, 0x0D, 0x10, 0x0A, 0x00, 0xDE, 0x31, 0x3A, 0xE7, 0x30, 0x2C, 0x32, 0x00, 0x00,
          0x00},
         "10 GRAPHIC1:COLOR0,2\n"},
        {{0x01, 0x1C, 0x0D, 0x1C, 0x0A, 0x00, 0xFE, 0x02, 0x31, 0x3A, 0xCE, 0x08, 0x00, 0x00, 0x00},
         "10 BANK1:XOR\n"},
    };
    for (const auto& [bytes, listing] : dialects) {
        std::vector<std::uint8_t> container = {'C', '6', '4', 'F', 'i', 'l', 'e', 0};
        container.resize(0x1A, 0);
        container.insert(container.end(), bytes.begin(), bytes.end());
        const std::string path = writeFile(dir + "/dialect.p01", container);
        EXPECT_EQ(qvx({"--color", "never", path}).out, listing);
    }
}

TEST(QvxListing, ShowsNamesAndTypesAsText) {
    const std::string path = buildImage(kTypeD64, false);
    const auto upper = splitLines(qvx({"--color", "never", path}).out);
    const auto lower = splitLines(qvx({"--color", "never", "--view", "1", path}).out);
    ASSERT_GE(upper.size(), 5u);
    ASSERT_GE(lower.size(), 5u);
    EXPECT_EQ(upper[0], "");
    EXPECT_EQ(upper[1], "0 \"TEST DISK       \" AB 2A");
    EXPECT_EQ(upper[2], "1    \"HELLO           \" PRG");
    EXPECT_EQ(upper[3], "17   \"DATA 1.2\u2660\u2665      \"*SEQ");
    EXPECT_EQ(upper[4], "300  \"\u25E4\u03C0\u03C0 LOCKED      \" PRG<");
    EXPECT_EQ(lower[1], "0 \"test disk       \" ab 2a");
    EXPECT_EQ(lower[3], "17   \"data 1.2AS      \"*seq");
    EXPECT_EQ(lower[4], "300  \"\U0001FB99\U0001FB96\U0001FB96 locked      \" prg<");
}

TEST(QvxErrorMap, ViewThreeWithoutErrorBytesFails) {
    for (DiskType type : {kTypeD64, kTypeD71, kTypeD81}) {
        const std::string path = buildImage(type, false);
        for (bool raw : {false, true}) {
            std::vector<std::string> args = {"--view", "3", path};
            if (raw) args.insert(args.begin(), "--raw");
            const ProgramResult r = qvx(args);
            EXPECT_EQ(r.status, 1) << path;
            EXPECT_EQ(r.out, "") << path;
            EXPECT_EQ(count(r.err, "\n"), 1u) << r.err;
            EXPECT_EQ(r.err.rfind("qvx: " + path + ": ", 0), 0u) << r.err;
        }
    }
}

struct UnreadableCase {
    const char* what;
    std::string fileName;
    std::optional<std::vector<std::uint8_t>> bytes;  // none: no file at all
    std::string why;
};

// A G64's header, 84 half tracks of 7928 bytes, and nothing after it.
std::vector<std::uint8_t> g64HeaderAlone() {
    const std::string header = std::string("GCR-1541") + '\0' + "\x54\xF8\x1E";
    return std::vector<std::uint8_t>(header.begin(), header.end());
}

TEST(QvxUnreadable, ExitsOneWithTheMessageAfterTheTrace) {
    const std::string dir = scratchDir();
    const UnreadableCase cases[] = {
        {"D64 extension, size of no type", "short.d64", std::vector<std::uint8_t>(1000, 0),
         "its size, 1000 bytes, is that of no D64, D71, D80, D81, D82 image, with or without "
         "error bytes"},
        {"D64 size, other extension", "disk.txt", std::vector<std::uint8_t>(174848, 0),
         "its extension is none of D64, D71, D80, D81, D82, G64"},
        {"missing file", "missing.d64", std::nullopt,
         "there is no file of that name, or it is a folder or a device"},
        {"G64 header alone", "head.g64", g64HeaderAlone(),
         "the file ends inside the G64's track table; not one track of the G64 holds a sector"},
    };
    for (const UnreadableCase& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string path = dir + "/" + c.fileName;
        if (c.bytes) writeFile(path, *c.bytes);
        const Expected e = expectedFor(path);
        const std::string message = "qvx: " + path + ": not a readable disk image: " + c.why + "\n";

        ProgramResult r = qvx({path});
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.out, toUtf8(e.listing));
        EXPECT_EQ(r.err, message);

        r = qvx({"--trace", path});
        EXPECT_EQ(r.status, 1);
        ASSERT_FALSE(e.trace.empty());
        EXPECT_EQ(r.err, e.trace + message);

        r = qvx({"--trace", "--view", "1", path});
        EXPECT_EQ(r.status, 1);
        ASSERT_FALSE(e.secondSetTrace.empty());
        EXPECT_EQ(r.err, e.trace + e.secondSetTrace + message);
    }
}

// No picture of a file that is no image, nor of a view it lacks; a picture that cannot be
// written is said so.
TEST(QvxPicture, WritesNothingItCannotShow) {
    const std::string dir = scratchDir();
    writeFile(dir + "/short.d64", std::vector<std::uint8_t>(1000, 0));
    const std::string image = buildImage(kTypeD64, false);
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string errorPart;
    };
    const Case cases[] = {
        {{"--png", dir + "/a.png", dir + "/short.d64"}, 1, "not a readable disk image"},
        {{"--png", dir + "/a.png", "--view", "3", image}, 1, "no error map"},
        {{"--png", dir + "/no-folder/a.png", image}, 1, "no-folder/a.png: No such file"},
    };
    for (const Case& c : cases) {
        const ProgramResult r = qvx(c.args);
        EXPECT_EQ(r.status, c.status) << c.errorPart;
        EXPECT_NE(r.err.find(c.errorPart), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "");
        EXPECT_FALSE(std::ifstream(dir + "/a.png").good()) << c.errorPart;
    }
}

TEST(QvxUnreadable, NamesTheImageAsGiven) {
    const std::string dir = scratchDir();
    writeFile(dir + "/odd.d64", std::vector<std::uint8_t>(77, 0));
    ProgramOptions inDir;
    inDir.workingDir = dir;
    const ProgramResult r = qvx({"odd.d64"}, inDir);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err.rfind("qvx: odd.d64: not a readable disk image: its size, 77 bytes", 0), 0u)
        << r.err;
}

TEST(QvxTrace, WritesTheLoadLinesThenThoseOfTheSecondSet) {
    const std::string path = buildImage(kTypeD64x40, false);
    const Expected e = expectedFor(path);
    // A trace line that ends in a line feed is followed by an empty line.
    ASSERT_NE(e.trace.find("\n\nQVX: "), std::string::npos) << e.trace;

    for (int view = 0; view < 4; ++view) {
        if (view == 3) continue;
        SCOPED_TRACE("view " + std::to_string(view));
        const ProgramResult r = qvx({"--trace", "--raw", "--view", std::to_string(view), path});
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.err, e.trace + (view == 1 ? e.secondSetTrace : std::string()));
        EXPECT_EQ(r.err.rfind("QVX: ", 0), 0u);
    }
    EXPECT_EQ(qvx({path}).err, "");
}

TEST(QvxTrace, ViewThreeErrorFollowsTheTrace) {
    const std::string path = buildImage(kTypeD64, false);
    const Expected e = expectedFor(path);
    const ProgramResult r = qvx({"--trace", "--view", "3", path});
    EXPECT_EQ(r.status, 1);
    ASSERT_EQ(r.err.rfind(e.trace, 0), 0u);
    EXPECT_EQ(r.err.substr(e.trace.size()).rfind("qvx: " + path + ": ", 0), 0u);
}

TEST(QvxColor, ReverseVideoOnlyAroundTheHeader) {
    const std::string path = buildImage(kTypeD64, true);
    for (int view : {0, 1}) {
        SCOPED_TRACE("view " + std::to_string(view));
        const ProgramResult never = qvx({"--color", "never", "--view", std::to_string(view), path});
        const ProgramResult always =
            qvx({"--color", "always", "--view", std::to_string(view), path});
        EXPECT_EQ(never.out.find('\x1b'), std::string::npos);
        EXPECT_EQ(count(always.out, "\x1b"), 2u);

        // The header is reverse from its first quote to the end of the DOS type.
        const auto plain = splitLines(never.out);
        const auto colored = splitLines(always.out);
        ASSERT_EQ(plain.size(), colored.size());
        ASSERT_GE(plain.size(), 2u);
        EXPECT_EQ(colored[1],
                  "0 " + std::string(kSgrReverse) + plain[1].substr(2) + kSgrReverseOff);
        for (std::size_t i = 0; i < plain.size(); ++i)
            if (i != 1) EXPECT_EQ(colored[i], plain[i]) << "line " << i;
    }
    // The maps have no reverse characters, and raw output is never coloured.
    EXPECT_EQ(qvx({"--color", "always", "--view", "2", path}).out.find('\x1b'), std::string::npos);
    EXPECT_EQ(qvx({"--color", "always", "--raw", path}).out.find('\x1b'), std::string::npos);
}

struct AutoColorCase {
    const char* what;
    std::vector<std::string> options;
    bool terminal;
    std::optional<std::string> noColor;
    bool reverse;
};

TEST(QvxColor, AutoFollowsTheTerminalAndNoColor) {
    const std::string path = buildImage(kTypeD64, false);
    const AutoColorCase cases[] = {
        {"terminal", {}, true, std::nullopt, true},
        {"terminal, auto named", {"--color", "auto"}, true, std::nullopt, true},
        {"pipe", {}, false, std::nullopt, false},
        {"terminal with NO_COLOR", {}, true, "1", false},
        {"terminal with empty NO_COLOR", {}, true, "", true},
        {"always beats NO_COLOR", {"--color=always"}, false, "1", true},
        {"never on a terminal", {"--color=never"}, true, std::nullopt, false},
    };
    for (const AutoColorCase& c : cases) {
        ProgramOptions options;
        options.stdoutTerminal = c.terminal;
        options.env["NO_COLOR"] = c.noColor;
        std::vector<std::string> args = c.options;
        args.push_back(path);
        const ProgramResult r = qvx(args, options);
        EXPECT_EQ(r.status, 0) << c.what;
        EXPECT_NE(r.out.find("BLOCKS FREE."), std::string::npos) << c.what;
        EXPECT_EQ(r.out.find(kSgrReverse) != std::string::npos, c.reverse) << c.what;
    }
}

TEST(QvxUsage, BadCommandLinesExitTwo) {
    const std::string path = buildImage(kTypeD64, false);
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"--raw"},
        {"--json", "--raw", path, path},
        {"--bogus", path},
        {"--view", "4", path},
        {"--view", "x", path},
        {"--view"},
        {"--color", "sometimes", path},
        {"--color"},
    };
    for (const auto& args : cases) {
        const ProgramResult r = qvx(args);
        const std::string label = args.empty() ? "no arguments" : args.front();
        EXPECT_EQ(r.status, 2) << label;
        EXPECT_EQ(r.out, "") << label;
        EXPECT_EQ(r.err.rfind("qvx: ", 0), 0u) << label << ": " << r.err;
        EXPECT_NE(r.err.find("\nusage: qvx "), std::string::npos) << label << ": " << r.err;
    }
}

TEST(QvxUsage, HelpAndVersion) {
    ProgramResult r = qvx({"--help"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.rfind("usage: qvx ", 0), 0u);
    EXPECT_EQ(r.err, "");

    r = qvx({"--version"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, std::string("qvx ") + QVX_VERSION_STRING + "\n");
    EXPECT_EQ(r.err, "");
}

}  // namespace
}  // namespace qvx::test

namespace qvx::test {
namespace {

// One image with a broken chain, two names alike and a locked file, extracted three times: all of
// it, again (nothing replaced), and the matches of a pattern with --force and --json.
TEST(QvxExtract, WritesEveryFileSaysWhatIsNotWholeAndReplacesOnlyWhenAsked) {
    ImageBuilder builder(kTypeD64);
    builder.header("EXTRACT", "EX", "2A")
        .slot(1, 1, 0x82, "GOOD", 2)
        .slot(1, 2, 0x82, "BROKEN", 2)
        .slot(1, 3, 0x82, "GOOD", 1)
        .slot(1, 4, 0xC1, "LOCKED", 1);
    const std::uint8_t firsts[][2] = {{1, 0}, {2, 0}, {3, 0}, {4, 0}};
    for (int k = 1; k <= 4; ++k)
        builder.put(18, 1, 32 * (k - 1) + 3, {firsts[k - 1][0], firsts[k - 1][1]});
    builder.put(1, 0, 0, {1, 1, 0xAA}).put(1, 1, 0, {0, 3, 0xBB, 0xCC});
    builder.put(2, 0, 0, {77, 0});
    builder.put(3, 0, 0, {0, 2, 0xDD}).put(4, 0, 0, {0, 4, 1, 2, 3});
    const std::string image = builder.write(scratchDir() + "/extract.d64");
    const std::string out = scratchDir() + "/extracted";

    ProgramResult r = qvx({"--extract", out, image});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, image + ": 4 files written into " + out + "\n");
    EXPECT_EQ(r.err, "qvx: " + image + ": " + out +
                         "/broken.prg: damaged: link out of image; the 254 bytes before it "
                         "written\n");
    std::vector<std::uint8_t> good(254);
    good[0] = 0xAA;
    good.push_back(0xBB);
    good.push_back(0xCC);
    EXPECT_EQ(readFile(out + "/good.prg"), good);
    EXPECT_EQ(readFile(out + "/good~2.prg"), std::vector<std::uint8_t>{0xDD});
    EXPECT_EQ(readFile(out + "/broken.prg").size(), 254u);
    EXPECT_EQ(readFile(out + "/locked.seq"), (std::vector<std::uint8_t>{1, 2, 3}));
    EXPECT_EQ(std::filesystem::status(out + "/locked.seq").permissions() &
                  std::filesystem::perms::owner_write,
              std::filesystem::perms::none);

    r = qvx({"--extract", out, image});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(count(r.err, ": skipped: the file exists (--force replaces it)\n"), 4u) << r.err;
    EXPECT_EQ(r.out, image + ": 0 files written into " + out + ", 4 skipped\n");

    r = qvx({"--extract", out, "--force", "--json", "--find", "g*", image, image});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    const std::vector<std::string> lines = splitLines(r.out);
    ASSERT_EQ(lines.size(), 5u) << r.out;  // two files of each image, and the end
    EXPECT_NE(lines[0].find("\"file\":\"" + out + "/extract/good.prg\""), std::string::npos);
    EXPECT_NE(lines[3].find("\"file\":\"" + out + "/extract~2/good~2.prg\""), std::string::npos);
    EXPECT_NE(lines[3].find("\"size\":1,"), std::string::npos);
    EXPECT_NE(lines[3].find("\"whole\":true,\"damage\":null,\"unreadable\":[]}"),
              std::string::npos);
    EXPECT_EQ(readFile(out + "/extract~2/good.prg"), good);
}

}  // namespace
}  // namespace qvx::test
