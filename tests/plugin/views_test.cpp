// ListSendCommand: stepping through the views with the host's wrap-text option, the commands it
// leaves alone, and windows that carry no record.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "plugin_harness.h"
#include "render/views.h"

namespace qvx::test {
namespace {

constexpr int kNewParams = 2;

int send(HWND window, int command, int parameter) {
    return plugin().listSendCommand(window, command, parameter);
}

std::string commandLine(const std::string& command, const std::string& parameter) {
    return "QVX: ListSendCommand - c=$" + command + ", p=$" + parameter;
}

class ViewCycle : public ::testing::TestWithParam<std::tuple<DiskType, bool>> {};

// Every change of the wrap bit, on or off, moves one view on; the error map only with error bytes.
TEST_P(ViewCycle, StepsThroughTheViewsOnEveryWrapChange) {
    auto [type, errorBytes] = GetParam();
    HostWindow host;
    std::string path = sampleImage(type, errorBytes);
    OpenedViewer opened = openViewer(host, path);
    HWND window = opened.window;
    ASSERT_NE(window, nullptr);
    ReferenceLoad reference = referenceLoad(path);

    // Right after the load the host reports wrap on, which is what the window already has.
    EXPECT_EQ(send(window, kNewParams, 1), 1);
    EXPECT_EQ(recordOf(window)->showState, 0);
    EXPECT_EQ(windowText(window), reference.listing);

    const std::vector<int> views =
        errorBytes ? std::vector<int>{1, 2, 3, 0, 1} : std::vector<int>{1, 2, 0, 1, 2};
    int wrap = 1;
    for (int view : views) {
        SCOPED_TRACE(view);
        wrap ^= 1;
        EXPECT_EQ(send(window, kNewParams, wrap), 0);
        EXPECT_EQ(recordOf(window)->showState, view);
        EXPECT_EQ(recordOf(window)->wrapFlag, wrap);
        EXPECT_EQ(windowText(window), viewText(reference.image, view).value());
        // The same bit again changes nothing.
        EXPECT_EQ(send(window, kNewParams, wrap), 1);
        EXPECT_EQ(recordOf(window)->showState, view);
    }
    // Every view keeps the font and colours.
    TextAppearance look = appearance(window);
    EXPECT_EQ(look.face, expectedFace());
    EXPECT_EQ(look.textColour, COLORREF{0x00FF8FA2});
    EXPECT_EQ(look.background, COLORREF{0x00ED4960});
    plugin().listCloseWindow(window);
    EXPECT_FALSE(IsWindow(window));
}

INSTANTIATE_TEST_SUITE_P(AllTypes, ViewCycle, everyImageKind(), imageKindName);

TEST(Views, OnlyBitZeroOfTheOptionsCounts) {
    struct Step {
        int parameter;
        int result;
        int view;
    };
    // 2 has the wrap bit off, 3 on, -2 off again, -1 on.
    const Step steps[] = {{2, 0, 1}, {3, 0, 2}, {-1, 1, 2}, {-2, 0, 0}, {0, 1, 0}, {-1, 0, 1}};
    HostWindow host;
    OpenedViewer opened = openViewer(host, sampleImage(kTypeD64, false));
    ASSERT_NE(opened.window, nullptr);
    for (const Step& step : steps) {
        SCOPED_TRACE(step.parameter);
        EXPECT_EQ(send(opened.window, kNewParams, step.parameter), step.result);
        EXPECT_EQ(recordOf(opened.window)->showState, step.view);
    }
    plugin().listCloseWindow(opened.window);
}

TEST(Views, LeavesOtherCommandsAlone) {
    HostWindow host;
    OpenedViewer opened = openViewer(host, sampleImage(kTypeD71, true));
    HWND window = opened.window;
    ASSERT_NE(window, nullptr);
    std::u16string before = windowText(window);
    for (int command : {0, 1, 3, 4, 5, -1, 0x100}) {
        for (int parameter : {0, 1}) {
            SCOPED_TRACE(std::to_string(command) + "/" + std::to_string(parameter));
            EXPECT_EQ(send(window, command, parameter), 1);
            EXPECT_EQ(recordOf(window)->showState, 0);
            EXPECT_EQ(recordOf(window)->wrapFlag, 1);
            EXPECT_EQ(windowText(window), before);
        }
    }
    plugin().listCloseWindow(window);
}

TEST(Views, TracesEveryCommandInHex) {
    struct Case {
        int command;
        int parameter;
        std::string line;
    };
    const Case cases[] = {{2, 0, commandLine("2", "0")},
                          {2, 1, commandLine("2", "1")},
                          {1, 0x1F, commandLine("1", "1F")},
                          {-1, -1, commandLine("FFFFFFFFFFFFFFFF", "FFFFFFFFFFFFFFFF")},
                          {0x7FFFFFFF, -16, commandLine("7FFFFFFF", "FFFFFFFFFFFFFFF0")}};
    HostWindow host;
    OpenedViewer opened = openViewer(host, sampleImage(kTypeD80, false));
    ASSERT_NE(opened.window, nullptr);
    for (const Case& c : cases) {
        debugChannel().take();
        send(opened.window, c.command, c.parameter);
        EXPECT_EQ(debugChannel().take(), std::vector<std::string>{c.line});
    }
    plugin().listCloseWindow(opened.window);
}

TEST(Views, WindowsCycleIndependently) {
    HostWindow host;
    std::string plainPath = sampleImage(kTypeD64, false);
    std::string errorPath = sampleImage(kTypeD81, true);
    OpenedViewer plain = openViewer(host, plainPath);
    OpenedViewer withErrors = openViewer(host, errorPath);
    ASSERT_NE(plain.window, nullptr);
    ASSERT_NE(withErrors.window, nullptr);
    ReferenceLoad plainReference = referenceLoad(plainPath);
    ReferenceLoad errorReference = referenceLoad(errorPath);

    EXPECT_EQ(send(plain.window, kNewParams, 0), 0);
    EXPECT_EQ(windowText(withErrors.window), viewText(errorReference.image, 0).value());
    for (int parameter : {0, 1, 0}) EXPECT_EQ(send(withErrors.window, kNewParams, parameter), 0);

    EXPECT_EQ(recordOf(plain.window)->showState, 1);
    EXPECT_EQ(recordOf(withErrors.window)->showState, 3);
    EXPECT_EQ(windowText(plain.window), viewText(plainReference.image, 1).value());
    EXPECT_EQ(windowText(withErrors.window), viewText(errorReference.image, 3).value());

    // Each window's wrap bit is its own: 1 moves the first on, and is old news to the second.
    EXPECT_EQ(send(plain.window, kNewParams, 1), 0);
    EXPECT_EQ(send(withErrors.window, kNewParams, 0), 1);
    EXPECT_EQ(recordOf(plain.window)->showState, 2);
    EXPECT_EQ(recordOf(withErrors.window)->showState, 3);

    plugin().listCloseWindow(plain.window);
    EXPECT_FALSE(IsWindow(plain.window));
    EXPECT_TRUE(IsWindow(withErrors.window));
    EXPECT_EQ(send(withErrors.window, kNewParams, 1), 0);
    EXPECT_EQ(windowText(withErrors.window), viewText(errorReference.image, 0).value());
    plugin().listCloseWindow(withErrors.window);
}

// A view number the cycle never makes is reported, and the text stays.
TEST(Views, ReportsAnUnknownView) {
    HostWindow host;
    OpenedViewer opened = openViewer(host, sampleImage(kTypeD82, false));
    ASSERT_NE(opened.window, nullptr);
    std::u16string before = windowText(opened.window);
    recordOf(opened.window)->showState = 7;
    debugChannel().take();
    EXPECT_EQ(send(opened.window, kNewParams, 0), 1);
    EXPECT_EQ(debugChannel().take(),
              (std::vector<std::string>{commandLine("2", "0"),
                                        "QVX: ListSendCommand - unknown show state 8"}));
    EXPECT_EQ(windowText(opened.window), before);
    plugin().listCloseWindow(opened.window);
}

// A window the plug-in did not make has no record: nothing to read, nothing to release.
TEST(Views, CopesWithAWindowWithoutRecord) {
    plugin();
    HostWindow host;
    HWND stranger = CreateWindowExW(0, L"RichEdit", L"", 0x40300904, 0, 0, 100, 100, host.get(),
                                    nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(stranger, nullptr);
    ASSERT_EQ(recordOf(stranger), nullptr);

    debugChannel().take();
    EXPECT_EQ(send(stranger, kNewParams, 0), 1);
    EXPECT_EQ(send(stranger, 1, 0), 1);
    EXPECT_EQ(debugChannel().take(),
              (std::vector<std::string>{commandLine("2", "0"), commandLine("1", "0")}));
    EXPECT_EQ(windowText(stranger), u"");

    plugin().listCloseWindow(stranger);
    EXPECT_FALSE(IsWindow(stranger));
    EXPECT_EQ(debugChannel().take(), std::vector<std::string>{"QVX: ListCloseCommand"});
}

}  // namespace
}  // namespace qvx::test
