// The Linux entry points' work on a toolkit that records what it is asked to show: the text and
// views of each load, the host's commands, the context menu's choices, the next file and closing.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "base/text.h"
#include "disk/image.h"
#include "doublecmd/viewers.h"
#include "render/listing.h"
#include "render/load.h"
#include "render/unicode_text.h"
#include "render/views.h"
#include "support/image_builder.h"
#include "support/trace_capture.h"

// What the recording toolkit keeps of one widget.
struct QvxViewer {
    QvxViewerEvents events{};
    std::string face;
    QvxRgb text{};
    QvxRgb background{};
    std::string shown;
    std::vector<std::string> views;
    int current = -1;
    int copies = 0;
    int selections = 0;
    QvxRange selected{0, 0};
    QvxRange lines{0, 0};  // the lines shown
    std::string clipboard;
    int beeps = 0;
    bool destroyed = false;
};

namespace qvx::test {
namespace {

using doublecmd::kHandled;
using doublecmd::kNotHandled;

// Widgets stay here after destroy, so that a test can see what happened to them.
std::vector<std::unique_ptr<QvxViewer>>& widgets() {
    static std::vector<std::unique_ptr<QvxViewer>> all;
    return all;
}

std::int32_t units(const std::string& utf8) {
    return static_cast<std::int32_t>(fromUtf8(utf8).size());
}

const QvxToolkitApi kRecorder{
    kToolkitApiVersion,
    "recorder",
    [](const char* path) { return std::filesystem::exists(path) ? 1 : 0; },
    [](void* parent, const QvxViewerEvents* events) -> QvxViewer* {
        if (parent == nullptr) return nullptr;
        widgets().push_back(std::make_unique<QvxViewer>());
        widgets().back()->events = *events;
        return widgets().back().get();
    },
    [](QvxViewer* viewer) -> void* { return viewer; },
    [](QvxViewer* viewer, const char* face, QvxRgb text, QvxRgb background) {
        viewer->face = face;
        viewer->text = text;
        viewer->background = background;
    },
    [](QvxViewer* viewer, const char* utf8, std::size_t size) {
        viewer->shown.assign(utf8, size);
        viewer->selected = {0, 0};
        viewer->lines = {0, units(viewer->shown)};
    },
    [](QvxViewer* viewer, const char* const* names, int count, int current) {
        viewer->views.assign(names, names + count);
        viewer->current = current;
    },
    [](QvxViewer* viewer) {
        ++viewer->copies;
        std::size_t size = 0;
        const char* text = viewer->events.copied(viewer->events.context, viewer->selected.begin,
                                                 viewer->selected.end, &size);
        viewer->clipboard.assign(text, size);
    },
    [](QvxViewer* viewer) {
        ++viewer->selections;
        viewer->selected = {0, units(viewer->shown)};
    },
    [](QvxViewer* viewer) { return viewer->selected; },
    [](QvxViewer* viewer) { return viewer->lines; },
    [](QvxViewer* viewer, std::int32_t begin, std::int32_t end) {
        viewer->selected = {begin, end};
    },
    [](QvxViewer* viewer) { ++viewer->beeps; },
    [](QvxViewer* viewer) { viewer->destroyed = true; },
};

int parentWidget = 0;  // any non-null parent will do

std::string imagePath(DiskType type, bool errorBytes) {
    ImageBuilder image(type, errorBytes);
    image.header("LINUX", "LX", "2A");
    const DiskFormat& format = kDiskFormats[type];
    image.dirLink(format.firstDirSector, 0, 0xFF);
    image.slot(format.firstDirSector, 1, 0x82, "HELLO", 3);
    if (errorBytes) image.errorByte(2, 0x05);
    return image.write(scratchDir() + "/image" + (errorBytes ? "-errors" : "") + ".d" +
                       (type == kTypeD81 ? "81" : "64"));
}

// The texts as the toolkit must get them: UTF-8, a line feed for each carriage return.
std::string toolkitText(const std::u16string& text) {
    std::string utf8 = toUtf8(text);
    std::replace(utf8.begin(), utf8.end(), '\r', '\n');
    return utf8;
}

struct Reference {
    DiskImage image;
    std::vector<std::u16string> trace;  // of the load
    std::vector<std::string> texts;     // of each view
};

Reference reference(const std::string& path) {
    Reference r;
    TraceCapture capture;
    const std::u16string listing = loadImage(u16path(path), r.image);
    r.trace = capture.lines;
    r.texts = {toolkitText(listing), toolkitText(setupString(r.image, 1)),
               toolkitText(r.image.bamMapText)};
    if (r.image.hasErrorBytes == 1) r.texts.push_back(toolkitText(r.image.errorMapText));
    return r;
}

struct Opened {
    void* handle = nullptr;
    QvxViewer* widget = nullptr;
    std::vector<std::u16string> trace;
};

Opened open(const std::string& path, std::int32_t flags, const std::string& fontFolder = "") {
    TraceCapture capture;
    Opened opened;
    opened.handle =
        doublecmd::loadViewer(&kRecorder, u"", &parentWidget, path.c_str(), flags, fontFolder);
    opened.widget = static_cast<QvxViewer*>(opened.handle);
    opened.trace = capture.lines;
    return opened;
}

void choose(const Opened& opened, int view) {
    opened.widget->events.chosen(opened.widget->events.context, view);
}

class LinuxLoadEveryKind : public ::testing::TestWithParam<std::tuple<DiskType, bool>> {};

// The listing in the toolkit's line breaks, the image's own views offered, the same trace as the
// Windows module's ListLoad, the colours and, without any font beside the plug-in, the display
// font's face as the Windows module sets it.
TEST_P(LinuxLoadEveryKind, ShowsTheListingAndOffersTheImagesViews) {
    const auto [type, errorBytes] = GetParam();
    const std::string path = imagePath(type, errorBytes);
    const Reference want = reference(path);
    const Opened opened = open(path, 0x62, scratchDir());
    ASSERT_NE(opened.widget, nullptr);

    EXPECT_EQ(opened.widget->shown, want.texts[0]);
    EXPECT_EQ(opened.widget->shown.find('\r'), std::string::npos);
    std::vector<std::string> names = {"Listing", "Listing, second character set", "BAM map"};
    if (errorBytes) names.push_back("Error map");
    EXPECT_EQ(opened.widget->views, names);
    EXPECT_EQ(opened.widget->current, 0);
    EXPECT_EQ(opened.widget->face, "C64 Pro Mono");
    EXPECT_EQ((std::vector<int>{opened.widget->text.red, opened.widget->text.green,
                                opened.widget->text.blue, opened.widget->background.red,
                                opened.widget->background.green, opened.widget->background.blue}),
              (std::vector<int>{162, 143, 255, 96, 73, 237}));

    std::vector<std::u16string> trace = {
        u"ListLoad - called for '" + u16path(path) + u"'; flags=$62", u"ListLoad - AddFont=0"};
    trace.insert(trace.end(), want.trace.begin(), want.trace.end());
    EXPECT_EQ(opened.trace, trace);
    doublecmd::closeViewer(opened.handle);
}

INSTANTIATE_TEST_SUITE_P(Types, LinuxLoadEveryKind,
                         ::testing::Combine(::testing::Values(kTypeD64, kTypeD81),
                                            ::testing::Bool()),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param) == kTypeD64 ? "D64"
                                                                                    : "D81") +
                                    (std::get<1>(info.param) ? "WithErrorBytes" : "");
                         });

// The display font beside the plug-in wins; else the shipped one of the built folder is used.
TEST(LinuxLoad, TakesTheDisplayFontElseTheShippedOne) {
    struct Row {
        const char* what;
        std::string folder;
        bool displayFont;
        const char* face;
        const char* addFontLine;
    };
    const std::string withDisplayFont = scratchDir();
    writeFile(withDisplayFont + "/C64_Pro_Mono-STYLE.ttf", {0});
    const Row rows[] = {
        {"display font", withDisplayFont, true, "C64 Pro Mono", "ListLoad - AddFont=1"},
        {"built folder", QVX_DOUBLECMD_FOLDER, false, "QVX Mono", "ListLoad - AddFont=0"},
        {"nothing", scratchDir(), false, "C64 Pro Mono", "ListLoad - AddFont=0"},
    };
    const std::string path = imagePath(kTypeD64, false);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const Opened opened = open(path, 0, row.folder);
        EXPECT_EQ(opened.widget->face, row.face);
        ASSERT_GE(opened.trace.size(), 2u);
        EXPECT_EQ(opened.trace[1], fromUtf8(row.addFontLine));
        doublecmd::closeViewer(opened.handle);
    }
}

struct Step {
    std::int32_t command;
    std::int32_t parameter;
    int result;
    int view;  // shown afterwards
};

struct CommandRow {
    const char* what;
    std::int32_t loadFlags;
    bool errorBytes;
    std::vector<Step> steps;
};

// Only a change of the wrap bit against the one of ListLoad's flags steps the view, exactly as
// the Windows module's cycle; copy and select all reach the widget; the rest is not handled.
TEST(LinuxCommand, StepsOnWrapChangesAndPassesCopyAndSelectAll) {
    const std::vector<CommandRow> rows = {
        {"1.0.10's flags: image options change, wrap stays off",
         0x62,
         false,
         {{2, 0x60, 1, 0}, {2, 0x62, 1, 0}, {2, 0, 1, 0}}},
        {"wrap toggled from off",
         0,
         false,
         {{2, 1, 0, 1}, {2, 3, 1, 1}, {2, 2, 0, 2}, {2, 1, 0, 0}, {2, 0, 0, 1}}},
        {"wrap toggled from on",
         1,
         true,
         {{2, 1, 1, 0}, {2, 0, 0, 1}, {2, 1, 0, 2}, {2, 0, 0, 3}, {2, 1, 0, 0}}},
        {"other commands",
         0,
         false,
         {{1, 0, 0, 0}, {3, 0, 0, 0}, {4, 0, 1, 0}, {0, 1, 1, 0}, {-1, -1, 1, 0}}},
    };
    for (const CommandRow& row : rows) {
        SCOPED_TRACE(row.what);
        const std::string path = imagePath(kTypeD64, row.errorBytes);
        const Reference want = reference(path);
        const Opened opened = open(path, row.loadFlags);
        int copies = 0;
        int selections = 0;
        for (const Step& step : row.steps) {
            SCOPED_TRACE(step.command);
            SCOPED_TRACE(step.parameter);
            TraceCapture capture;
            EXPECT_EQ(doublecmd::sendCommand(opened.handle, step.command, step.parameter),
                      step.result);
            ASSERT_FALSE(capture.lines.empty());
            EXPECT_EQ(capture.lines[0], u"ListSendCommand - c=$" + hex(step.command) + u", p=$" +
                                            hex(step.parameter));
            copies += step.command == doublecmd::kCommandCopy;
            selections += step.command == doublecmd::kCommandSelectAll;
            EXPECT_EQ(opened.widget->shown, want.texts[step.view]);
            EXPECT_EQ(opened.widget->current, step.view);
        }
        EXPECT_EQ(opened.widget->copies, copies);
        EXPECT_EQ(opened.widget->selections, selections);
        doublecmd::closeViewer(opened.handle);
    }
}

// The context menu switches straight to a view the image has; the wrap cycle goes on from there.
TEST(LinuxMenu, SwitchesDirectlyToViewsTheImageHas) {
    const std::string path = imagePath(kTypeD64, false);
    const Reference want = reference(path);
    const Opened opened = open(path, 0);
    {
        TraceCapture capture;
        choose(opened, 2);
        EXPECT_EQ(capture.lines, std::vector<std::u16string>{u"chooseView - view 2"});
        EXPECT_EQ(opened.widget->shown, want.texts[2]);
        EXPECT_EQ(opened.widget->current, 2);
    }
    for (int view : {2, 3, -1, 4}) {
        SCOPED_TRACE(view);
        TraceCapture capture;
        choose(opened, view);
        EXPECT_TRUE(capture.lines.empty());
        EXPECT_EQ(opened.widget->current, 2);
    }
    {
        // The second listing is built anew, with setupString's own lines.
        TraceCapture capture;
        choose(opened, 1);
        EXPECT_EQ(capture.lines.front(), u"chooseView - view 1");
        EXPECT_EQ(opened.widget->shown, want.texts[1]);
    }
    EXPECT_EQ(doublecmd::sendCommand(opened.handle, doublecmd::kCommandNewParams, 1), kHandled);
    EXPECT_EQ(opened.widget->current, 2);
    doublecmd::closeViewer(opened.handle);
}

// The next file goes into the same widget from a fresh record at its listing, with its own views;
// closing destroys the widget, and the handle is unknown from then on.
// The names are Latin-1, not UTF-8: the host's bytes open the files as they are.
TEST(LinuxNextAndClose, ReusesTheWidgetThenReleasesIt) {
    const std::string dir = scratchDir();
    const std::string first = writeFile(dir + "/caf\xE9.d64", readFile(imagePath(kTypeD64, false)));
    const std::string second =
        writeFile(dir + "/n\xE4chste.d81", readFile(imagePath(kTypeD81, true)));
    const Reference want = reference(second);
    const Opened opened = open(first, 0);
    EXPECT_EQ(opened.widget->shown, reference(first).texts[0]);
    choose(opened, 2);
    const std::size_t made = widgets().size();
    {
        TraceCapture capture;
        EXPECT_EQ(doublecmd::loadNext(opened.handle, second.c_str(), 1), kHandled);
        std::vector<std::u16string> trace = {u"ListLoadNext - called for '" + u16path(second) +
                                             u"'; flags=$1"};
        trace.insert(trace.end(), want.trace.begin(), want.trace.end());
        EXPECT_EQ(capture.lines, trace);
    }
    EXPECT_EQ(widgets().size(), made);
    EXPECT_EQ(opened.widget->shown, want.texts[0]);
    EXPECT_EQ(opened.widget->views.size(), 4u);
    EXPECT_EQ(opened.widget->current, 0);
    // The wrap bit of ListLoadNext's flags is the new starting value.
    EXPECT_EQ(doublecmd::sendCommand(opened.handle, doublecmd::kCommandNewParams, 1), kNotHandled);

    {
        TraceCapture capture;
        doublecmd::closeViewer(opened.handle);
        EXPECT_EQ(capture.lines, std::vector<std::u16string>{u"ListCloseCommand"});
    }
    EXPECT_TRUE(opened.widget->destroyed);
    EXPECT_EQ(doublecmd::sendCommand(opened.handle, doublecmd::kCommandCopy, 0), kNotHandled);
    EXPECT_EQ(opened.widget->copies, 0);
    EXPECT_EQ(doublecmd::loadNext(opened.handle, first.c_str(), 0), kNotHandled);
    doublecmd::closeViewer(opened.handle);  // twice: only the trace line
}

// A program and a data file after an image: the menu offers each record's own views.
TEST(LinuxNextAndClose, OffersTheViewsOfSingleFiles) {
    const std::string dir = scratchDir();
    const std::string program = writeFile(
        dir + "/stub.prg", {0x01, 0x08, 0x07, 0x08, 0x0A, 0x00, 0x80, 0x00, 0x00, 0x00, 0x60});
    const std::string text = writeFile(dir + "/notes.seq", {0x48, 0x49, 0x0D});
    DiskImage record;
    loadImage(u16path(program), record);
    const Opened opened = open(imagePath(kTypeD64, false), 0);
    ASSERT_EQ(doublecmd::loadNext(opened.handle, program.c_str(), 0), kHandled);
    EXPECT_EQ(opened.widget->shown, toolkitText(viewText(record, 0).value_or(u"")));
    EXPECT_EQ(opened.widget->views,
              (std::vector<std::string>{"BASIC listing", "BASIC listing, second character set",
                                        "Hex", "6502"}));
    choose(opened, 3);
    EXPECT_EQ(opened.widget->current, 3);
    EXPECT_EQ(opened.widget->shown, toolkitText(viewText(record, 3).value_or(u"")));
    ASSERT_EQ(doublecmd::loadNext(opened.handle, text.c_str(), 0), kHandled);
    EXPECT_EQ(opened.widget->views,
              (std::vector<std::string>{"Text", "Text, second character set", "Hex"}));
    choose(opened, 3);
    EXPECT_EQ(opened.widget->current, 0);
    doublecmd::closeViewer(opened.handle);
}

// A file that is no readable image leaves the widget as it is: the host closes it and offers the
// file to every plug-in, this one's ListLoad included.
TEST(LinuxNextAndClose, DeclinesAFileThatIsNoImage) {
    const std::string first = imagePath(kTypeD64, true);
    const Reference want = reference(first);
    const Opened opened = open(first, 0);
    choose(opened, 3);
    const std::string dir = scratchDir();
    for (const std::string& path :
         {writeFile(dir + "/short.d64", {1, 2, 3}), sizedFile(dir + "/notes.txt", 1000)}) {
        SCOPED_TRACE(path);
        TraceCapture capture;
        EXPECT_EQ(doublecmd::loadNext(opened.handle, path.c_str(), 0), kNotHandled);
        EXPECT_EQ(capture.lines.front(),
                  u"ListLoadNext - called for '" + u16path(path) + u"'; flags=$0");
        EXPECT_EQ(opened.widget->shown, want.texts[3]);
        EXPECT_EQ(opened.widget->current, 3);
    }
    doublecmd::closeViewer(opened.handle);
}

struct FindStep {
    int view;  // chosen before the search when it differs from the one shown
    std::int32_t flags;
    std::u16string typed;
    int result;
    std::u16string found;  // what the selection then reads; empty: the selection stays
    QvxRange lines;        // the lines shown during the search; {0, 0}: all of them
};

// The host's Find and F3 in the widget: the match selected through the toolkit, or the beep and
// the selection left alone; a copy afterwards gives the selection as it reads.
TEST(LinuxFind, SelectsWhatTheUserReadsOrBeeps) {
    const std::string path = imagePath(kTypeD64, true);
    const Reference want = reference(path);
    const Opened opened = open(path, 0);
    // Lines 1 (empty), 2 (the header), 3 (the file): where lines 3 and 4 start.
    const std::string& listing = want.texts[0];
    const std::size_t fileLine = listing.find('\n', 1) + 1;
    const std::int32_t third = units(listing.substr(0, fileLine));
    const std::int32_t fourth = units(listing.substr(0, listing.find('\n', fileLine) + 1));
    const std::vector<FindStep> steps = {
        {0, 0, u"hello", kHandled, u"HELLO", {}},
        {0, 0, u"HELLO", kNotHandled, u"", {}},
        {0, 8, u"HELLO", kNotHandled, u"", {}},
        {0, 1, u"\"hello", kHandled, u"\"HELLO", {}},
        {0, 1, u"HELLO", kNotHandled, u"", {fourth, 900}},
        {0, 1, u"HELLO", kHandled, u"HELLO", {third, 900}},
        {0, 9, u"HELLO", kNotHandled, u"", {0, third - 1}},
        {0, 9, u"HELLO", kHandled, u"HELLO", {0, fourth - 1}},
        {1, 3, u"HELLO", kNotHandled, u"", {}},
        {1, 3, u"hello", kHandled, u"hello", {}},
        {2, 1, u"001:", kHandled, u"001:", {}},
        {3, 5, u"0000", kNotHandled, u"", {}},
    };
    int beeps = 0;
    for (const FindStep& step : steps) {
        SCOPED_TRACE(toUtf8(step.typed) + " in view " + std::to_string(step.view));
        if (step.view != opened.widget->current) choose(opened, step.view);
        if (step.lines.end != 0) opened.widget->lines = step.lines;
        const QvxRange before = opened.widget->selected;
        TraceCapture capture;
        EXPECT_EQ(doublecmd::searchText(opened.handle, step.typed, step.flags), step.result);
        ASSERT_EQ(capture.lines.size(), 2u);
        EXPECT_EQ(capture.lines[0],
                  u"ListSearchText - called for '" + step.typed + u"'; flags=$" + hex(step.flags));
        beeps += step.found.empty() ? 1 : 0;
        EXPECT_EQ(opened.widget->beeps, beeps);
        if (step.found.empty()) {
            EXPECT_EQ(capture.lines[1], u"ListSearchText - not found");
            EXPECT_EQ(opened.widget->selected.begin, before.begin);
            EXPECT_EQ(opened.widget->selected.end, before.end);
        } else {
            EXPECT_EQ(doublecmd::sendCommand(opened.handle, doublecmd::kCommandCopy, 0), kHandled);
            EXPECT_EQ(opened.widget->clipboard, toUtf8(step.found));
        }
    }
    // Everything copied reads as the qvx command prints the view.
    doublecmd::sendCommand(opened.handle, doublecmd::kCommandSelectAll, 0);
    doublecmd::sendCommand(opened.handle, doublecmd::kCommandCopy, 0);
    EXPECT_EQ(opened.widget->clipboard, toUtf8(readableText(fromUtf8(want.texts[3]), u"\n")));
    doublecmd::closeViewer(opened.handle);

    TraceCapture capture;
    EXPECT_EQ(doublecmd::searchText(opened.handle, u"HELLO", 1), kNotHandled);
    EXPECT_EQ(opened.widget->beeps, beeps);
}

// No widget, no viewer: the host gets null and nothing is kept.
TEST(LinuxLoad, ReturnsNullWithoutAWidget) {
    const std::string path = imagePath(kTypeD64, false);
    {
        TraceCapture capture;
        EXPECT_EQ(doublecmd::loadViewer(&kRecorder, u"", nullptr, path.c_str(), 0, ""), nullptr);
        EXPECT_EQ(capture.lines.back(), u"ListLoad - can't create window");
    }
    {
        TraceCapture capture;
        EXPECT_EQ(
            doublecmd::loadViewer(nullptr, u"no toolkit here", &parentWidget, path.c_str(), 0, ""),
            nullptr);
        EXPECT_EQ(capture.lines.back(), u"ListLoad - no toolkit here");
    }
}

// Whatever the file, a viewer with what the readers made of it, and their trace.
TEST(LinuxLoad, ShowsWhatTheReadersMakeOfBadInput) {
    const std::string dir = scratchDir();
    std::filesystem::create_directories(dir + "/folder.d64");
    const std::vector<std::string> paths = {
        dir + "/folder.d64",
        dir + "/missing.d64",
        writeFile(dir + "/empty.d64", {}),
        writeFile(dir + "/short.d64", std::vector<std::uint8_t>(1000, 0xFF)),
        sizedFile(dir + "/image.txt", 174848),
    };
    for (const std::string& path : paths) {
        SCOPED_TRACE(path);
        const Reference want = reference(path);
        const Opened opened = open(path, 0);
        ASSERT_NE(opened.widget, nullptr);
        EXPECT_EQ(opened.widget->shown, want.texts[0]);
        EXPECT_EQ(opened.widget->views.size(), 3u);
        EXPECT_EQ(std::vector<std::u16string>(opened.trace.begin() + 2, opened.trace.end()),
                  want.trace);
        choose(opened, 2);
        EXPECT_EQ(opened.widget->shown, want.texts[2]);
        doublecmd::closeViewer(opened.handle);
    }
}

}  // namespace
}  // namespace qvx::test
