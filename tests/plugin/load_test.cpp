// ListLoad and ListCloseWindow: the viewer window, its first text, font and colours, the record
// it carries, the note to the host and the trace, for every image type.
#include <windows.h>

#include <gtest/gtest.h>
#include <richedit.h>

#include <climits>
#include <string>
#include <tuple>
#include <vector>

#include "base/text.h"
#include "plugin_harness.h"
#include "support/image_builder.h"

namespace qvx::test {
namespace {

constexpr LONG kStyle = 0x40300904;
// Wine's RichEdit takes its scroll bars away while the text fits and gives them back when not.
constexpr LONG kScrollBars = WS_VSCROLL | WS_HSCROLL;
constexpr WPARAM kWrapTextChecked = 0xFFFC0001;
const std::string kAddFontLine = "QVX: ListLoad - AddFont=";

std::string calledLine(const std::string& path, const std::string& flags) {
    return "QVX: ListLoad - called for '" + path + "'; flags=$" + flags;
}

bool fontBesideModule() {
    return besideModule(u"C64_Pro_Mono-STYLE.ttf");
}

// The AddFont line: nothing is registered when the module directory has no font file.
void expectAddFontLine(const std::string& line) {
    ASSERT_EQ(line.compare(0, kAddFontLine.size(), kAddFontLine), 0) << line;
    std::string added = line.substr(kAddFontLine.size());
    if (fontBesideModule()) {
        EXPECT_NE(added, "0");
    } else {
        EXPECT_EQ(added, "0");
    }
}

void closeAndExpectGone(HWND window) {
    debugChannel().take();
    plugin().listCloseWindow(window);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(debugChannel().take(), std::vector<std::string>{"QVX: ListCloseCommand"});
}

class LoadEveryType : public ::testing::TestWithParam<std::tuple<DiskType, bool>> {};

TEST_P(LoadEveryType, ShowsTheListingInAReadOnlyRichEdit) {
    auto [type, errorBytes] = GetParam();
    HostWindow host;
    std::string path = sampleImage(type, errorBytes);
    OpenedViewer opened = openViewer(host, path);
    HWND window = opened.window;
    ASSERT_NE(window, nullptr);
    ReferenceLoad reference = referenceLoad(path);

    // Created hidden, as a child over the whole client area, with the module as its instance.
    // The control makes windows of its own (scroll bars); ListLoad makes one.
    std::vector<CreationSpy::Creation> byPlugin;
    for (const auto& creation : opened.creations)
        if (creation.parent == host.get()) byPlugin.push_back(creation);
    ASSERT_EQ(byPlugin.size(), 1u);
    const CreationSpy::Creation& made = byPlugin[0];
    RECT area{};
    GetClientRect(host.get(), &area);
    EXPECT_EQ(made.window, window);
    EXPECT_EQ(made.className, u"RichEdit");
    EXPECT_EQ(made.title, u"");
    EXPECT_EQ(made.style, kStyle);
    EXPECT_EQ(made.exStyle, 0u);
    EXPECT_EQ(made.x, area.left);
    EXPECT_EQ(made.y, area.top);
    EXPECT_EQ(made.cx, area.right - area.left);
    EXPECT_EQ(made.cy, area.bottom - area.top);
    EXPECT_EQ(made.parent, host.get());
    EXPECT_EQ(made.menu, nullptr);
    EXPECT_EQ(made.instance, plugin().module.get());
    EXPECT_EQ(made.createParams, nullptr);

    wchar_t className[64] = {};
    GetClassNameW(window, className, 64);
    // Class names do not mind case; Wine registers this one as "RICHEDIT".
    EXPECT_EQ(lstrcmpiW(className, L"RichEdit"), 0) << className;
    LONG style = GetWindowLongW(window, GWL_STYLE);
    EXPECT_EQ(style & ~kScrollBars, (kStyle | WS_VISIBLE) & ~kScrollBars);
    EXPECT_EQ(GetParent(window), host.get());

    // Wine's control gives back the single carriage returns it was given.
    EXPECT_FALSE(reference.listing.empty());
    EXPECT_EQ(windowText(window), reference.listing);

    TextAppearance look = appearance(window);
    EXPECT_EQ(look.mask & (CFM_COLOR | CFM_FACE), DWORD{CFM_COLOR | CFM_FACE});
    EXPECT_EQ(look.effects & CFE_AUTOCOLOR, 0u);
    EXPECT_EQ(look.textColour, COLORREF{0x00FF8FA2});
    EXPECT_EQ(look.face, expectedFace());
    EXPECT_EQ(look.background, COLORREF{0x00ED4960});

    const DiskImage* record = recordOf(window);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->type, type);
    EXPECT_EQ(record->hasErrorBytes, errorBytes ? 1 : 0);
    EXPECT_EQ(record->wrapFlag, 1);
    EXPECT_EQ(record->showState, 0);
    EXPECT_EQ(record->dirEntries.size(), reference.image.dirEntries.size());
    EXPECT_EQ(record->bamTracks, reference.image.bamTracks);
    EXPECT_EQ(record->bamMapText, reference.image.bamMapText);
    EXPECT_EQ(record->errorMapText, reference.image.errorMapText);
    EXPECT_EQ(record->errorBytes, reference.image.errorBytes);
    EXPECT_EQ(errorBytes, !record->errorMapText.empty());

    // The host hears that wrap-text is on, from this window.
    using Command = std::pair<WPARAM, LPARAM>;
    const std::vector<Command> expected{
        Command{kWrapTextChecked, reinterpret_cast<LPARAM>(window)}};
    EXPECT_EQ(host.commands(), expected);

    // The call, the font, then what the readers and renderers write, as they write it anyway.
    ASSERT_GE(opened.lines.size(), 2u);
    EXPECT_EQ(opened.lines[0], calledLine(path, "0"));
    expectAddFontLine(opened.lines[1]);
    EXPECT_EQ(std::vector<std::string>(opened.lines.begin() + 2, opened.lines.end()),
              reference.traceLines);

    closeAndExpectGone(window);
}

INSTANTIATE_TEST_SUITE_P(AllTypes, LoadEveryType, everyImageKind(), imageKindName);

// The show flags are only traced: any value gives the same window.
TEST(Load, TracesTheShowFlagsAndIgnoresThem) {
    struct Case {
        int flags;
        std::string hex;
    };
    const Case cases[] = {
        {0, "0"},         {-1, "FFFFFFFFFFFFFFFF"}, {1, "1"},
        {0x12AB, "12AB"}, {INT_MAX, "7FFFFFFF"},    {INT_MIN, "FFFFFFFF80000000"}};
    HostWindow host;
    std::string path = sampleImage(kTypeD64, false);
    std::u16string listing = referenceLoad(path).listing;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.hex);
        OpenedViewer opened = openViewer(host, path, c.flags);
        ASSERT_NE(opened.window, nullptr);
        ASSERT_FALSE(opened.lines.empty());
        EXPECT_EQ(opened.lines[0], calledLine(path, c.hex));
        EXPECT_EQ(windowText(opened.window), listing);
        EXPECT_NE(GetWindowLongW(opened.window, GWL_STYLE) & WS_VISIBLE, 0);
        EXPECT_EQ(recordOf(opened.window)->showState, 0);
        closeAndExpectGone(opened.window);
    }
}

// The host's name is in the ANSI code page; the file must be found through its UTF-16 form.
TEST(Load, ConvertsTheFileNameFromTheAnsiCodePage) {
    const std::string name = "spiel-\xE9.d64";
    if (toAnsi(fromAnsi(name)) != name) GTEST_SKIP() << "the code page has no single-byte \\xE9";
    HostWindow host;
    std::string path = windowsPath(scratchDir()) + "\\" + name;
    ImageBuilder(kTypeD64).header("UMLAUT", "XY", "2A").write(toUtf8(fromAnsi(path)));
    OpenedViewer opened = openViewer(host, path);
    ASSERT_NE(opened.window, nullptr);
    ReferenceLoad reference = referenceLoad(path);
    EXPECT_FALSE(reference.listing.empty());
    EXPECT_EQ(windowText(opened.window), reference.listing);
    ASSERT_FALSE(opened.lines.empty());
    EXPECT_EQ(opened.lines[0], calledLine(path, "0"));
    closeAndExpectGone(opened.window);
}

// No file is declined: what cannot be read still gives a window, empty.
TEST(Load, GivesAnEmptyWindowForFilesItCannotRead) {
    HostWindow host;
    std::string folder = scratchDir();
    const std::string cases[] = {
        windowsPath(folder + "/missing.d64"),
        windowsPath(writeFile(folder + "/odd-size.d64", std::vector<std::uint8_t>(174849, 0))),
        windowsPath(writeFile(folder + "/empty.d81", {})),
        windowsPath(writeFile(folder + "/game.txt", std::vector<std::uint8_t>(174848, 0))),
    };
    for (const std::string& path : cases) {
        SCOPED_TRACE(path);
        OpenedViewer opened = openViewer(host, path);
        ASSERT_NE(opened.window, nullptr);
        ReferenceLoad reference = referenceLoad(path);
        EXPECT_EQ(reference.listing, u"");
        EXPECT_EQ(windowText(opened.window), u"");
        EXPECT_NE(GetWindowLongW(opened.window, GWL_STYLE) & WS_VISIBLE, 0);
        ASSERT_NE(recordOf(opened.window), nullptr);
        EXPECT_EQ(host.commands().size(), 1u);
        ASSERT_GE(opened.lines.size(), 2u);
        EXPECT_EQ(std::vector<std::string>(opened.lines.begin() + 2, opened.lines.end()),
                  reference.traceLines);
        closeAndExpectGone(opened.window);
    }
}

// Without a window there is nothing to hang a record on: none is made, null comes back.
TEST(Load, ReportsAWindowThatCannotBeCreated) {
    std::string path = sampleImage(kTypeD64, false);
    RECT area{};
    GetClientRect(nullptr, &area);
    HWND same = CreateWindowExW(0, L"RichEdit", L"", kStyle, 0, 0, 0, 0, nullptr, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
    DWORD expectedCode = GetLastError();
    ASSERT_EQ(same, nullptr);

    debugChannel().take();
    std::string name = path;
    EXPECT_EQ(plugin().listLoad(nullptr, name.data(), 0), nullptr);
    EXPECT_EQ(
        debugChannel().take(),
        (std::vector<std::string>{calledLine(path, "0"),
                                  "QVX: ListLoad - can't create window, code=" +
                                      narrow(decimal(static_cast<std::int32_t>(expectedCode)))}));
}

// Every window registers the font again.
TEST(Load, RegistersTheFontForEveryWindow) {
    HostWindow host;
    std::string path = sampleImage(kTypeD81, false);
    std::vector<HWND> windows;
    for (int i = 0; i < 3; ++i) {
        OpenedViewer opened = openViewer(host, path);
        ASSERT_NE(opened.window, nullptr);
        ASSERT_GE(opened.lines.size(), 2u);
        expectAddFontLine(opened.lines[1]);
        windows.push_back(opened.window);
    }
    for (HWND window : windows) closeAndExpectGone(window);
}

}  // namespace
}  // namespace qvx::test
