// The plug-in, driven as the file manager drives it, on what the file manager may hand it: names
// that are no image, files another program holds without sharing, files that change while they
// are read, broken directory chains and BAM ranges, ANSI names outside ASCII and paths beyond
// MAX_PATH. Each gives its trace lines and a window; afterwards the file is free and unchanged.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "base/text.h"
#include "disk/file.h"
#include "hostile_images.h"
#include "plugin_harness.h"
#include "render/load.h"
#include "support/image_builder.h"

namespace qvx::test {
namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;
using U16Lines = std::vector<std::u16string>;

constexpr int kNewParams = 2;
constexpr std::uint64_t kFourGiB = std::uint64_t{1} << 32;

// The lines as the debugger output carries them: prefixed, in the ANSI code page.
Lines traced(const U16Lines& lines) {
    Lines out;
    for (const std::u16string& line : lines) out.push_back("QVX: " + toAnsi(line));
    return out;
}

std::u16string typeLine(DiskType type) {
    return u"getDirEntries - type is <" + u16(extensionOf(type)) + u">\n";
}

// What the readers write for a name that has no image type.
U16Lines undeterminedLines(const std::u16string& name, bool opens) {
    return {u"setType - disk file not supprted",
            u"getDirEntries - can't determine file type for <" + name + u">\n",
            opens ? std::u16string(u"getBAMEntries - unknown disk type")
                  : u"getBAMEntries - can't open file <" + name + u">\n",
            u"setupString - empty list"};
}

KernelHandle openFile(const std::u16string& path, DWORD access, DWORD share) {
    HANDLE h = CreateFileW(wide(path), access, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
    return KernelHandle(h == INVALID_HANDLE_VALUE ? nullptr : h);
}

// A file can be opened without sharing only while nobody else has it open.
bool openByNobodyElse(const std::u16string& path) {
    return static_cast<bool>(openFile(path, GENERIC_READ, 0));
}

// One file through the plug-in: ListLoad, every view in turn and back to the listing, then
// ListCloseWindow. Returns what the readers wrote (the lines after ListLoad's own two).
struct Viewed {
    bool shown = false;
    Lines readerLines;
    std::vector<std::u16string> texts;  // one per view, view 0 first
    DiskImage record;                   // as the window held it
};

Viewed viewEveryView(const std::string& ansiPath,
                     const std::function<void()>& whileOpen = nullptr) {
    Viewed v;
    HostWindow host;
    OpenedViewer opened = openViewer(host, ansiPath);
    EXPECT_NE(opened.window, nullptr);
    if (opened.window == nullptr) return v;
    EXPECT_NE(GetWindowLongW(opened.window, GWL_STYLE) & WS_VISIBLE, 0);
    EXPECT_EQ(host.commands().size(), 1u);
    EXPECT_GE(opened.lines.size(), 2u);
    if (opened.lines.size() >= 2) {
        EXPECT_EQ(opened.lines[0], "QVX: ListLoad - called for '" + ansiPath + "'; flags=$0");
        EXPECT_EQ(opened.lines[1].rfind("QVX: ListLoad - AddFont=", 0), 0u) << opened.lines[1];
        v.readerLines.assign(opened.lines.begin() + 2, opened.lines.end());
    }
    const DiskImage* record = recordOf(opened.window);
    EXPECT_NE(record, nullptr);
    if (record == nullptr) return v;
    v.record = *record;

    const int views = record->hasErrorBytes == 1 ? 4 : 3;
    v.texts.push_back(windowText(opened.window));
    Lines expectedCommands;
    for (int k = 1; k <= views; ++k) {
        const int bit = (k - 1) % 2;  // the plug-in starts with wrap on
        EXPECT_EQ(plugin().listSendCommand(opened.window, kNewParams, bit), 0);
        expectedCommands.push_back("QVX: ListSendCommand - c=$2, p=$" + std::to_string(bit));
        // The listing views are built again on entry, and say so when there is nothing to list.
        if (k % views < 2 && record->dirEntries.empty())
            expectedCommands.push_back("QVX: setupString - empty list");
        v.texts.push_back(windowText(opened.window));
    }
    EXPECT_EQ(v.texts.back(), v.texts.front()) << "the cycle ends at the listing";
    v.texts.pop_back();
    // Switching views never touches the file.
    EXPECT_EQ(debugChannel().take(), expectedCommands);
    if (whileOpen) whileOpen();

    plugin().listCloseWindow(opened.window);
    EXPECT_FALSE(IsWindow(opened.window));
    EXPECT_EQ(debugChannel().take(), Lines{"QVX: ListCloseCommand"});
    v.shown = true;
    return v;
}

// --------------------------------------------------------------- names that are no image

TEST(HostileNames, EachGivesItsLinesAndAnEmptyWindow) {
    struct Case {
        const char* what;
        const char* name;
        std::function<void(const std::string& path)> make;
        bool opens;
    };
    const auto nothing = [](const std::string&) {};
    const Case cases[] = {
        {"a folder", "x.d64", [](const std::string& p) { fs::create_directory(fs::u8path(p)); },
         false},
        {"a missing file", "x.d64", nothing, false},
        {"a sparse file of 4 GiB and a D64's size", "x.d64",
         [](const std::string& p) { sizedFile(p, kFourGiB + 174848); }, true},
        {"a sparse file of 4 GiB and a D81's size with error bytes", "x.d81",
         [](const std::string& p) { sizedFile(p, kFourGiB + 822400); }, true},
        {"an empty file", "x.d64", [](const std::string& p) { writeFile(p, {}); }, true},
        // Device names stand for the device in any folder and with any extension.
        {"the null device", "NUL.d64", nothing, false},
        {"the console", "CON.d64", nothing, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string path = windowsPath(scratchDir()) + "\\" + c.name;
        c.make(path);
        const Viewed v = viewEveryView(path);
        ASSERT_TRUE(v.shown);
        EXPECT_EQ(v.readerLines, traced(undeterminedLines(fromAnsi(path), c.opens)));
        EXPECT_EQ(v.record.type, kTypeUnknown);
        EXPECT_EQ(v.texts, (std::vector<std::u16string>{u"", u"", u""}));
    }
}

// A name longer than any the system takes: the trace line is cut on its way out, the window comes.
TEST(HostileNames, NameBeyondEveryLimit) {
    const std::string path = windowsPath(scratchDir()) + "\\" + std::string(40000, 'n') + ".d64";
    HostWindow host;
    OpenedViewer opened = openViewer(host, path);
    ASSERT_NE(opened.window, nullptr);
    EXPECT_EQ(windowText(opened.window), u"");
    ASSERT_NE(recordOf(opened.window), nullptr);
    EXPECT_EQ(recordOf(opened.window)->type, kTypeUnknown);
    // The debugger output carries about 4 KB a line: each line is the start of the whole one.
    const Lines whole = traced(undeterminedLines(fromAnsi(path), false));
    ASSERT_EQ(opened.lines.size(), 2 + whole.size());
    for (std::size_t i = 0; i < whole.size(); ++i) {
        const std::string& got = opened.lines[2 + i];
        EXPECT_GE(got.size(), std::min<std::size_t>(whole[i].size(), 4000)) << i;
        EXPECT_EQ(whole[i].compare(0, got.size(), got), 0) << got.substr(0, 80);
    }
    plugin().listCloseWindow(opened.window);
    EXPECT_FALSE(IsWindow(opened.window));
}

// A pipe server waiting under an image's name: not a disk file, so it is never read.
TEST(HostileNames, NamedPipeIsNotRead) {
    const std::u16string name =
        u"\\\\.\\pipe\\qvx-robustness-" + u16(std::to_string(GetCurrentProcessId())) + u".d64";
    KernelHandle server(CreateNamedPipeW(wide(name), PIPE_ACCESS_DUPLEX, PIPE_TYPE_BYTE | PIPE_WAIT,
                                         PIPE_UNLIMITED_INSTANCES, 512, 512, 0, nullptr));
    ASSERT_TRUE(server && server.get() != INVALID_HANDLE_VALUE);
    const Viewed v = viewEveryView(toAnsi(name));
    ASSERT_TRUE(v.shown);
    EXPECT_EQ(v.record.type, kTypeUnknown);
    EXPECT_EQ(v.readerLines, traced(undeterminedLines(name, false)));
}

// ------------------------------------------------------- a file held by another program

TEST(HeldFile, EveryOpenFailsAndTheWindowStillComes) {
    for (bool errorBytes : {false, true}) {
        SCOPED_TRACE(errorBytes ? "with error bytes" : "without error bytes");
        const std::string path =
            windowsPath(wellFormedImage(kTypeD64, errorBytes).write(scratchDir() + "/held.d64"));
        const std::u16string name = fromAnsi(path);
        {
            KernelHandle held = openFile(name, GENERIC_READ, 0);
            ASSERT_TRUE(held);
            const Viewed v = viewEveryView(path);
            ASSERT_TRUE(v.shown);
            U16Lines lines = {typeLine(kTypeD64),
                              u"getDirEntries - can't open file <" + name + u">\n",
                              u"getBAMEntries - can't open file <" + name + u">\n"};
            if (errorBytes) lines.push_back(u"getErrorData - can't open file <" + name + u">");
            lines.push_back(u"setupString - empty list");
            EXPECT_EQ(v.readerLines, traced(lines));
            // The size is known without opening the file, so the type and the views are there.
            EXPECT_EQ(v.record.type, kTypeD64);
            EXPECT_EQ(v.texts.size(), errorBytes ? 4u : 3u);
            EXPECT_EQ(v.texts[0], u"");
        }
        // Let go, the same file is listed.
        const Viewed v = viewEveryView(path);
        EXPECT_EQ(v.record.dirEntries.size(), 3u);
        EXPECT_FALSE(v.texts.empty() || v.texts[0].empty());
    }
}

// ------------------------------------------ a file changed through a second handle mid-read

void setSize(const std::u16string& path, std::int64_t size) {
    KernelHandle h = openFile(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE);
    ASSERT_TRUE(h);
    LARGE_INTEGER to{};
    to.QuadPart = size;
    ASSERT_TRUE(SetFilePointerEx(h.get(), to, nullptr, FILE_BEGIN));
    ASSERT_TRUE(SetEndOfFile(h.get()));
}

std::vector<std::uint8_t> bytesOf(const std::u16string& path) {
    std::ifstream in(fs::path(std::wstring(path.begin(), path.end())), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(ChangingFile, CutOrGrownThroughASecondHandleWhileTheReadersHaveIt) {
    constexpr std::int64_t kHeader = 0x16500;
    constexpr std::size_t kErrors = 683;
    const std::u16string kRead1 = u"getDirEntries - reading dir sector 1, entry 1";
    const std::u16string kRead10 = u"getDirEntries - reading dir sector 10, entry 1";
    const std::u16string kErrorsRead = u"getErrorData - 683 error bytes successfully read.";
    struct Case {
        const char* what;
        int atRead;  // after this read of the load (1: the header sector)
        std::int64_t newSize;
        std::function<U16Lines(const std::u16string& name)> lines;
        std::size_t entries, tracks;
        bool errorsFromTail;
    };
    const Case cases[] = {
        {"cut after the header sector was read", 1, kHeader + 256,
         [&](const std::u16string& n) {
             return U16Lines{u"getDirEntries - can't read from file <" + n + u">\n", kErrorsRead};
         },
         1, 35, true},
        {"grown to twice its size after the header sector was read", 1, 2 * 175531,
         [&](const std::u16string&) {
             return U16Lines{kRead1, kRead10, kErrorsRead};
         },
         3, 35, true},
        {"cut to nothing after the BAM was read", 4, 0,
         [&](const std::u16string&) {
             return U16Lines{kRead1, kRead10, u"getErrorData - read error"};
         },
         3, 35, false},
        {"cut by one byte after the BAM was read", 4, 175530,
         [&](const std::u16string&) {
             return U16Lines{kRead1, kRead10, kErrorsRead};
         },
         3, 35, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ImageBuilder b(kTypeD64, true);
        b.header("CHANGING", "CH", "2A").dirLink(1, 18, 10).dirLink(10, 0, 0xFF);
        b.slot(1, 1, 0x82, "ONE", 1).slot(10, 1, 0x82, "TEN", 10);
        for (std::size_t i = 0; i < kErrors; ++i) b.errorByte(i, static_cast<std::uint8_t>(i + 1));
        const std::u16string name = fromAnsi(windowsPath(b.write(scratchDir() + "/changing.d64")));

        // The load in this process runs the same readers on the same file layer as the plug-in.
        int reads = 0;
        std::vector<std::uint8_t> changed;
        DiskImage image;
        debugChannel().take();
        {
            FileObserver watch;
            watch.onRead = [&](std::size_t, std::size_t) {
                if (++reads != c.atRead) return;
                setSize(name, c.newSize);
                changed = bytesOf(name);
            };
            ScopedFileObserver observer(std::move(watch));
            loadImage(name, image);
        }
        U16Lines expected = {typeLine(kTypeD64)};
        for (const std::u16string& line : c.lines(name)) expected.push_back(line);
        EXPECT_EQ(debugChannel().take(), traced(expected));
        EXPECT_EQ(image.dirEntries.size(), c.entries);
        EXPECT_EQ(image.bamTracks.size(), c.tracks);
        ASSERT_EQ(image.errorBytes.size(), kErrors);
        if (c.errorsFromTail) {
            ASSERT_GE(changed.size(), kErrors);
            EXPECT_TRUE(std::equal(image.errorBytes.begin(), image.errorBytes.end(),
                                   changed.end() - kErrors));
        } else {
            EXPECT_EQ(image.errorBytes, std::vector<std::uint8_t>(kErrors, 0));
        }
    }
}

// -------------------------------------------------- broken chains and BAM ranges, one table

TEST(BrokenImages, ChainsThroughThePlugin) {
    for (ChainCase& c : brokenChains()) {
        SCOPED_TRACE(c.name);
        const DiskType type = c.image.type();
        const std::string path =
            windowsPath(c.image.write(scratchDir() + "/chain." + extensionOf(type)));
        const Viewed v = viewEveryView(path);
        ASSERT_TRUE(v.shown);
        U16Lines expected = {typeLine(type)};
        expected.insert(expected.end(), c.walkLines.begin(), c.walkLines.end());
        EXPECT_EQ(v.readerLines, traced(expected));
        EXPECT_EQ(v.record.dirEntries.size(), c.entries);
        EXPECT_EQ(v.texts[0], referenceLoad(path).listing);
    }
}

TEST(BrokenImages, BamRangesThroughThePlugin) {
    for (BamRangeCase& c : oddBamRanges()) {
        SCOPED_TRACE(c.name);
        const DiskType type = c.image.type();
        const std::string path =
            windowsPath(c.image.write(scratchDir() + "/range." + extensionOf(type)));
        const Viewed v = viewEveryView(path);
        ASSERT_TRUE(v.shown);
        EXPECT_EQ(v.readerLines, traced({typeLine(type)}));
        EXPECT_EQ(v.record.bamTracks, std::vector<BamTrack>(c.tracks, 0xFFFFFFFF));
        EXPECT_EQ(v.record.blocksFree, c.blocksFree);
        ASSERT_EQ(v.texts.size(), 3u);
        // Three header lines and a row per track read, also past the type's last track.
        EXPECT_EQ(std::count(v.texts[2].begin(), v.texts[2].end(), u'\r'),
                  static_cast<std::ptrdiff_t>(3 + c.tracks));
        EXPECT_NE(v.texts[0].find(decimal(c.blocksFree) + u" BLOCKS FREE."), std::u16string::npos);
    }
}

// ------------------------------------------------------------------ names and long paths

// Folder and file named with characters of the code page beyond ASCII, through ListLoad's ANSI
// argument; the name in the trace is the host's, byte for byte.
TEST(Names, AnsiCharactersBeyondAsciiInFolderAndFileNames) {
    const std::u16string accents = u"\u00e9\u00fc\u00df";  // é ü ß, E9 FC DF in cp1252
    if (fromAnsi(toAnsi(accents)) != accents || toAnsi(accents).size() != 3)
        GTEST_SKIP() << "the ANSI code page " << GetACP() << " has no single bytes for them";
    const std::u16string folder = fromAnsi(windowsPath(scratchDir())) + u"\\Ordner " + accents;
    ASSERT_TRUE(CreateDirectoryW(wide(folder), nullptr));
    const std::u16string file = folder + u"\\Spiel " + accents + u".d71";
    wellFormedImage(kTypeD71, true).write(toUtf8(file));
    const std::string ansi = toAnsi(file);
    ASSERT_EQ(ansi.find('?'), std::string::npos);

    const Viewed v = viewEveryView(ansi);
    ASSERT_TRUE(v.shown);
    EXPECT_EQ(v.record.type, kTypeD71);
    EXPECT_EQ(v.record.dirEntries.size(), 3u);
    EXPECT_EQ(v.readerLines, referenceLoad(ansi).traceLines);
    EXPECT_EQ(v.texts[0], referenceLoad(ansi).listing);

    // The name reaches the readers intact: the missing sibling is named in full.
    const std::string missing = toAnsi(folder + u"\\Fehlt " + accents + u".d64");
    const Viewed gone = viewEveryView(missing);
    EXPECT_EQ(gone.readerLines, traced(undeterminedLines(fromAnsi(missing), false)));
}

bool isUnc(const std::u16string& path) {
    return path.rfind(u"\\\\", 0) == 0;
}

// The "\\?\" form of an absolute path with backslashes, which no length stops.
std::u16string longForm(const std::u16string& path) {
    return isUnc(path) ? u"\\\\?\\UNC\\" + path.substr(2) : u"\\\\?\\" + path;
}

void makeFolders(const std::u16string& folder) {
    const std::u16string full = longForm(folder);
    for (std::size_t at = full.find(u'\\', 8); at != std::u16string::npos;
         at = full.find(u'\\', at + 1))
        CreateDirectoryW(wide(full.substr(0, at)), nullptr);
    CreateDirectoryW(wide(full), nullptr);
}

std::u16string withSlashes(std::u16string path, std::size_t from) {
    std::replace(path.begin() + from, path.end(), u'\\', u'/');
    return path;
}

// An image 300 characters deep under root is listed, however the path is written.
void expectLongPathsListed(const std::u16string& root) {
    std::u16string folder = root;
    for (char16_t c = u'a'; folder.size() < 300; ++c) folder += u"\\" + std::u16string(50, c);
    makeFolders(folder);
    const std::u16string file = folder + u"\\image.d81";
    ImageBuilder image = wellFormedImage(kTypeD81, true);
    {
        const std::u16string full = longForm(file);
        std::ofstream out(fs::path(std::wstring(full.begin(), full.end())), std::ios::binary);
        out.write(reinterpret_cast<const char*>(image.bytes().data()),
                  static_cast<std::streamsize>(image.bytes().size()));
    }
    const ReferenceLoad reference = referenceLoad(toAnsi(file));
    ASSERT_EQ(reference.image.dirEntries.size(), 3u) << "the image behind the long path is unread";
    // Separators turned, all or half of them; "." and ".." on the way, which the long form does
    // not resolve itself; and the long form as the host might pass it.
    const std::size_t cut = folder.rfind(u'\\');
    const std::u16string detour =
        folder.substr(0, cut) + u"\\.\\nowhere\\..\\" + folder.substr(cut + 1) + u"\\image.d81";
    const std::u16string forms[] = {file, withSlashes(file, 0), withSlashes(file, file.size() / 2),
                                    withSlashes(detour, 0), longForm(file)};
    for (const std::u16string& form : forms) {
        SCOPED_TRACE(toAnsi(form));
        ASSERT_GT(form.size(), 300u);
        const Viewed v = viewEveryView(toAnsi(form));
        ASSERT_TRUE(v.shown);
        EXPECT_EQ(v.record.type, kTypeD81);
        EXPECT_EQ(v.readerLines, reference.traceLines);
        EXPECT_EQ(v.texts[0], reference.listing);
        EXPECT_EQ(v.texts[3], reference.image.errorMapText);
    }
}

TEST(LongPaths, ImageBehind300CharactersOnADrive) {
    expectLongPathsListed(fromAnsi(windowsPath(scratchDir())));
}

// "\\server\share" under Wine is a folder of the prefix: dosdevices\unc\server\share.
TEST(LongPaths, ImageBehind300CharactersOnAShare) {
    const char16_t* prefix = reinterpret_cast<const char16_t*>(_wgetenv(L"WINEPREFIX"));
    if (prefix == nullptr) GTEST_SKIP() << "no Wine prefix to serve a share from";
    std::u16string shares = u"Z:" + std::u16string(prefix) + u"\\dosdevices\\unc\\qvx-robustness";
    std::replace(shares.begin(), shares.end(), u'/', u'\\');
    const std::u16string share = u"images-" + u16(std::to_string(GetCurrentProcessId()));
    makeFolders(shares + u"\\" + share);
    const std::u16string root = u"\\\\qvx-robustness\\" + share;
    ASSERT_NE(GetFileAttributesW(wide(root)), INVALID_FILE_ATTRIBUTES) << "the share is not there";
    expectLongPathsListed(root);
    std::error_code ec;
    const std::u16string served = longForm(shares + u"\\" + share);
    fs::remove_all(fs::path(std::wstring(served.begin(), served.end())), ec);
}

// ------------------------------------------------------- nothing written, nothing kept

TEST(Untouched, AfterTheWindowTheFileIsFreeAndUnchanged) {
    struct Sample {
        std::string name;
        ImageBuilder image;
    };
    std::vector<Sample> samples;
    for (DiskType type : kEveryType) {
        for (bool errorBytes : {false, true}) {
            samples.push_back(
                {"well-formed " + shortName(type) + (errorBytes ? " with errors" : ""),
                 wellFormedImage(type, errorBytes)});
            for (std::uint8_t fill : {std::uint8_t{0x00}, std::uint8_t{0xFF}})
                samples.push_back(
                    {filledName(type, errorBytes, fill), filledImage(type, errorBytes, fill)});
        }
    }
    for (ChainCase& c : brokenChains()) samples.push_back({c.name, std::move(c.image)});
    for (BamRangeCase& c : oddBamRanges()) samples.push_back({c.name, std::move(c.image)});
    ImageBuilder cut(kTypeD82, true);
    cut.bytes().resize(100000);
    samples.push_back({"the start of a D82", std::move(cut)});

    for (Sample& s : samples) {
        SCOPED_TRACE(s.name);
        const std::string path =
            windowsPath(s.image.write(scratchDir() + "/image." + extensionOf(s.image.type())));
        const std::u16string name = fromAnsi(path);
        const fs::path file(std::wstring(name.begin(), name.end()));
        // Dated in the past, so that a write would move the time.
        const auto past = fs::last_write_time(file) - std::chrono::hours(24 * 400);
        fs::last_write_time(file, past);

        bool freeWhileShown = false;
        const Viewed v = viewEveryView(path, [&] { freeWhileShown = openByNobodyElse(name); });
        ASSERT_TRUE(v.shown);
        // Each reader closes the file before it returns, so an open window holds nothing.
        EXPECT_TRUE(freeWhileShown);
        EXPECT_TRUE(openByNobodyElse(name));
        EXPECT_EQ(fs::last_write_time(file), past);
        EXPECT_EQ(bytesOf(name), s.image.bytes());
        const std::u16string moved = name + u".moved";
        EXPECT_TRUE(MoveFileW(wide(name), wide(moved)));
        EXPECT_TRUE(DeleteFileW(wide(moved)));
    }
}

}  // namespace
}  // namespace qvx::test
