// qvxhost: plays the file manager for the lister plug-in. Loads qvx.wlx, opens each image in a
// viewer window, steps through the views, closes it again, and reports on standard output, as
// one JSON document, everything the plug-in showed, sent and traced.
#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <ole2.h>
#include <richedit.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cwchar>
#include <exception>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "host/creation_log.h"
#include "host/debug_channel.h"
#include "host/lister_plugin.h"
#include "host/resource_usage.h"
#include "host/together.h"
#include "host/viewer_actions.h"
#include "host/viewer_frame.h"
#include "host/wide_text.h"
#include "host/win_handle.h"
#include "host/window_probe.h"
#include "qvx_version.h"

namespace qvx::host {
namespace {

using Json = nlohmann::ordered_json;

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;
constexpr int kExitNoPlugin = 3;

// The plug-in module of the host's own width: file managers load no other.
constexpr const wchar_t* kPluginFile = sizeof(void*) == 8 ? L"qvx.wlx64" : L"qvx.wlx";

constexpr int kFrameWidth = 800;
constexpr int kFrameHeight = 600;

constexpr char kUsage[] =
    "usage: qvxhost [--plugin PATH] [--ansi] [--flags N] [--toggles K] [--repeat R]\n"
    "               [--screenshot FILE.bmp] [--preview WIDTHxHEIGHT:FILE.bmp]\n"
    "               [--no-debug-channel] [--together N,...]\n"
    "               [--next IMAGE2,...] [--find STEP:FLAGS:TEXT]... [--copy]\n"
    "               [--repeat-next R] IMAGE...\n"
    "  --plugin PATH      the plug-in module (default: qvx.wlx, 64-bit: qvx.wlx64, next to\n"
    "                     qvxhost.exe)\n"
    "  --ansi             open files through ListLoad (and ask for thumbnails through\n"
    "                     ListGetPreviewBitmap), with names in the ANSI code page, also when\n"
    "                     the plug-in exports the W forms (which are taken otherwise)\n"
    "  --flags N          show flags for ListLoad, 32-bit, decimal or 0x hex (default 0)\n"
    "  --toggles K        change the wrap-text bit K times after loading: 0, 1, 0, ...\n"
    "  --repeat R         then open, switch once and close each image R more times, and\n"
    "                     report objects, memory and timings, also of R next images\n"
    "                     shown in one window (ListLoadNext)\n"
    "  --repeat-next R    that many next images instead of R (default: as --repeat)\n"
    "  --screenshot F.bmp save every view as a 24-bit BMP: F-<view>.bmp for one image,\n"
    "                     F-<image>-<view>.bmp for several (views counted from 0 = load)\n"
    "  --preview WxH:F    also ask for each image's thumbnail of at most W x H pixels, as the\n"
    "                     thumbnail view does (the file's first 8 KB given along), and save\n"
    "                     it as a 24-bit BMP: F, or F-<image>.bmp for several images\n"
    "  --no-debug-channel do not listen to the debugger output (no trace lines reported):\n"
    "                     timings as without a debug-output viewer\n"
    "  --together N,...   open every image (one may be given many times) in a window of its\n"
    "                     own, all at once; window i changes its wrap bit N times, the numbers\n"
    "                     taken in turn (after the last the first again), round by round; then\n"
    "                     close them all; report each window, and the objects and memory held\n"
    "                     before, meanwhile and after\n"
    "  --next IMAGE2,...  after each IMAGE, show these in the same window (ListLoadNext),\n"
    "                     one after the other, each with its toggles; where the plug-in\n"
    "                     declines, close the window and open the image anew (ListLoad)\n"
    "  --find STEP:FLAGS:TEXT  search TEXT (ListSearchText) with the search parameter FLAGS\n"
    "                     in the view of STEP (0 = the load, counted on through the next\n"
    "                     images); repeatable, run in order\n"
    "  --copy             in every view, after the finds: copy the selection (the host's\n"
    "                     Copy command), then all of it by that command and by Ctrl+C\n"
    "Prints one JSON document (UTF-8) on standard output.\n";

struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct Options {
    std::wstring plugin;
    std::int32_t flags = 0;
    int toggles = 0;
    int repeat = 0;
    int repeatNext = -1;  // as repeat
    std::wstring screenshot;
    int previewWidth = 0;
    int previewHeight = 0;
    std::wstring preview;  // the thumbnail's file, empty when none is asked for
    std::vector<std::wstring> images;
    bool help = false;
    bool listen = true;
    bool ansi = false;
    bool together = false;
    std::vector<int> togetherToggles;
    std::vector<std::wstring> next;
    std::vector<FindRequest> finds;
    bool copy = false;
};

std::int64_t parseInteger(const std::wstring& option, const std::wstring& value, std::int64_t min,
                          std::int64_t max) {
    std::string text = utf8(value);
    std::size_t used = 0;
    std::int64_t n = 0;
    try {
        n = std::stoll(text, &used, 0);
    } catch (const std::exception&) {
        used = 0;
    }
    if (text.empty() || used != text.size() || n < min || n > max)
        throw UsageError(utf8(option) + " needs a number from " + std::to_string(min) + " to " +
                         std::to_string(max) + ", not '" + text + "'");
    return n;
}

// "a,,b" is three parts, the middle one empty; "" is one empty part.
std::vector<std::wstring> commaSeparated(const std::wstring& value) {
    std::vector<std::wstring> parts;
    for (std::size_t from = 0; from <= value.size();) {
        const std::size_t comma = std::min(value.find(L',', from), value.size());
        parts.push_back(value.substr(from, comma - from));
        from = comma + 1;
    }
    return parts;
}

Options parseOptions(int argc, wchar_t** argv) {
    Options o;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        std::wstring arg = argv[i];
        if (optionsEnded || arg.size() < 2 || arg.compare(0, 2, L"--") != 0) {
            o.images.push_back(arg);
            continue;
        }
        if (arg == L"--") {
            optionsEnded = true;
            continue;
        }
        if (arg == L"--help") {
            o.help = true;
            continue;
        }
        if (arg == L"--no-debug-channel") {
            o.listen = false;
            continue;
        }
        if (arg == L"--ansi") {
            o.ansi = true;
            continue;
        }
        if (arg == L"--copy") {
            o.copy = true;
            continue;
        }
        if (i + 1 >= argc) throw UsageError(utf8(arg) + " needs a value");
        std::wstring value = argv[++i];
        if (arg == L"--plugin") {
            o.plugin = value;
        } else if (arg == L"--flags") {
            // Accepts 0xFFFFFFFF as well as -1: the interface takes the 32 bits.
            o.flags = static_cast<std::int32_t>(static_cast<std::uint32_t>(
                parseInteger(arg, value, INT32_MIN, UINT32_MAX) & 0xFFFFFFFF));
        } else if (arg == L"--toggles") {
            o.toggles = static_cast<int>(parseInteger(arg, value, 0, 1000));
        } else if (arg == L"--repeat") {
            o.repeat = static_cast<int>(parseInteger(arg, value, 0, 1000000));
        } else if (arg == L"--repeat-next") {
            o.repeatNext = static_cast<int>(parseInteger(arg, value, 0, 1000000));
        } else if (arg == L"--screenshot") {
            o.screenshot = value;
        } else if (arg == L"--preview") {
            const std::size_t x = value.find(L'x'), colon = value.find(L':');
            if (x == std::wstring::npos || colon == std::wstring::npos || x > colon ||
                colon + 1 == value.size())
                throw UsageError("--preview needs WIDTHxHEIGHT:FILE.bmp, not '" + utf8(value) +
                                 "'");
            o.previewWidth = static_cast<int>(parseInteger(arg, value.substr(0, x), 0, 65535));
            o.previewHeight =
                static_cast<int>(parseInteger(arg, value.substr(x + 1, colon - x - 1), 0, 65535));
            o.preview = value.substr(colon + 1);
        } else if (arg == L"--next") {
            o.next = commaSeparated(value);
        } else if (arg == L"--find") {
            try {
                o.finds.push_back(parseFindRequest(value));
            } catch (const std::exception& e) {
                throw UsageError("--find " + utf8(value) + ": " + e.what());
            }
        } else if (arg == L"--together") {
            o.together = true;
            for (const std::wstring& toggles : commaSeparated(value))
                o.togetherToggles.push_back(static_cast<int>(parseInteger(arg, toggles, 0, 1000)));
        } else {
            throw UsageError("unknown option " + utf8(arg));
        }
    }
    if (!o.help && o.images.empty()) throw UsageError("no image given");
    if (o.together && (o.repeat > 0 || !o.screenshot.empty() || !o.preview.empty() ||
                       !o.next.empty() || !o.finds.empty() || o.copy))
        throw UsageError(
            "--together goes with none of --repeat, --screenshot, --preview, --next, "
            "--find and --copy");
    return o;
}

// The first bytes of a file, as many as it has up to count; none when it cannot be read.
std::vector<char> firstBytes(const std::wstring& path, std::size_t count) {
    std::vector<char> bytes(count);
    std::ifstream file(std::filesystem::path(path), std::ios::binary);
    file.read(bytes.data(), static_cast<std::streamsize>(count));
    bytes.resize(file ? count
                      : static_cast<std::size_t>(std::max<std::streamsize>(0, file.gcount())));
    return bytes;
}

void printError(const std::string& message) {
    std::string line = "qvxhost: " + message + "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
}

// The trace lines of this process, as the plug-in wrote them.
Json qvxLines(const std::vector<DebugLine>& lines) {
    Json out = Json::array();
    const DWORD self = GetCurrentProcessId();
    for (const DebugLine& line : lines) {
        if (line.processId == self && line.text.compare(0, 5, L"QVX: ") == 0)
            out.push_back(utf8(line.text));
    }
    return out;
}

// Without a channel (--no-debug-channel) there are no lines to report.
Json traceSince(DebugChannel* channel) {
    if (channel == nullptr) return Json::array();
    if (!channel->flush()) throw std::runtime_error("the debug output channel stopped delivering");
    return qvxLines(channel->take());
}

class OleSession {
  public:
    OleSession() : ok_(SUCCEEDED(OleInitialize(nullptr))) {}
    ~OleSession() {
        if (ok_) OleUninitialize();
    }
    OleSession(const OleSession&) = delete;
    OleSession& operator=(const OleSession&) = delete;

  private:
    bool ok_;
};

class Clock {
  public:
    Clock() { QueryPerformanceFrequency(&frequency_); }
    std::int64_t now() const {
        LARGE_INTEGER t;
        QueryPerformanceCounter(&t);
        return t.QuadPart;
    }
    double microseconds(std::int64_t from, std::int64_t to) const {
        return static_cast<double>(to - from) * 1e6 / static_cast<double>(frequency_.QuadPart);
    }

  private:
    LARGE_INTEGER frequency_{};
};

Json timingSummary(std::vector<double> samples) {
    std::sort(samples.begin(), samples.end());
    Json j;
    j["samples"] = samples.size();
    if (samples.empty()) return j;
    std::size_t n = samples.size();
    double median = n % 2 ? samples[n / 2] : (samples[n / 2 - 1] + samples[n / 2]) / 2;
    // Nearest rank: the smallest sample with at least 95 % of the samples at or below it.
    auto rank = static_cast<std::size_t>(std::ceil(0.95 * static_cast<double>(n)));
    j["medianMicroseconds"] = median;
    j["p95Microseconds"] = samples[std::max<std::size_t>(rank, 1) - 1];
    j["maxMicroseconds"] = samples.back();
    return j;
}

Json usageJson(const ResourceUsage& u) {
    return Json{{"gdiObjects", u.gdiObjects},
                {"gdiSource", u.gdiSource},
                {"userObjects", u.userObjects},
                {"userSource", u.userSource},
                {"pagefileUsage", u.pagefileUsage},
                {"workingSetSize", u.workingSetSize},
                {"privateCommitted", u.privateCommitted},
                {"heapBusyBytes", u.heapBusyBytes}};
}

Json charFormatJson(const CharFormatReading& f) {
    return Json{{"mask", f.mask},
                {"effects", f.effects},
                {"autoColor", (f.effects & CFE_AUTOCOLOR) != 0},
                {"textColor", f.textColor},
                {"face", utf8(f.face)}};
}

Json textJson(const std::wstring& text) {
    LineBreakCounts breaks = countLineBreaks(text);
    return Json{{"text", utf8(text)},
                {"length", text.size()},
                {"lineBreaks", {{"cr", breaks.cr}, {"crlf", breaks.crlf}, {"lf", breaks.lf}}},
                {"lineBreakForm", lineBreakForm(breaks)}};
}

// The plug-in window's place in the frame's client area.
RECT childRect(HWND frame, HWND child) {
    RECT r{};
    GetWindowRect(child, &r);
    MapWindowPoints(HWND_DESKTOP, frame, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// A point inside the plug-in window's client area, far from the text: its bottom-right corner.
POINT backgroundProbePoint(HWND frame, HWND child) {
    RECT client{};
    GetClientRect(child, &client);
    POINT p{client.right - 4, client.bottom - 4};
    MapWindowPoints(child, frame, &p, 1);
    return p;
}

Json creationJson(HWND frame, const WindowCreation* c) {
    if (!c) return nullptr;
    return Json{{"className", utf8(c->className)},
                {"windowName", utf8(c->windowName)},
                {"style", c->style},
                {"exStyle", c->exStyle},
                {"x", c->x},
                {"y", c->y},
                {"width", c->width},
                {"height", c->height},
                {"parentIsFrame", c->parent == frame}};
}

Json windowJson(HWND frame, HWND window, const CreationLog& log) {
    Json w;
    w["handle"] = reinterpret_cast<std::uintptr_t>(window);
    w["creation"] = creationJson(frame, log.find(window));
    w["windowsCreated"] = log.creations().size();
    w["className"] = utf8(windowClassName(window));
    w["style"] = static_cast<std::uint32_t>(GetWindowLongPtrW(window, GWL_STYLE));
    w["exStyle"] = static_cast<std::uint32_t>(GetWindowLongPtrW(window, GWL_EXSTYLE));
    w["userDataSet"] = GetWindowLongPtrW(window, GWLP_USERDATA) != 0;
    w["parentIsFrame"] = GetParent(window) == frame;
    w["visible"] = IsWindowVisible(window) != FALSE;
    RECT r = childRect(frame, window);
    RECT fc{};
    GetClientRect(frame, &fc);
    w["rect"] = {
        {"x", r.left}, {"y", r.top}, {"width", r.right - r.left}, {"height", r.bottom - r.top}};
    w["frameClient"] = {{"width", fc.right}, {"height", fc.bottom}};
    const CharFormatReading wholeText = wholeTextCharFormat(window);
    // The face the text is drawn in, as the control reports it.
    w["face"] = (wholeText.mask & CFM_FACE) != 0 ? Json(utf8(wholeText.face)) : Json(nullptr);
    w["charFormat"] = {{"default", charFormatJson(defaultCharFormat(window))},
                       {"wholeText", charFormatJson(wholeText)},
                       {"end", charFormatJson(endCharFormat(window))}};
    COLORREF background = 0;
    if (readBackgroundColor(window, background))
        w["backgroundColor"] = background;
    else
        w["backgroundColor"] = nullptr;
    Capture capture = Capture::ofClientArea(frame);
    POINT p = backgroundProbePoint(frame, window);
    COLORREF pixel = capture.empty() ? CLR_INVALID : capture.pixel(p.x, p.y);
    if (pixel != CLR_INVALID)
        w["backgroundPixel"] = {{"x", p.x}, {"y", p.y}, {"color", pixel}};
    else
        w["backgroundPixel"] = nullptr;
    return w;
}

class ScreenshotNamer {
  public:
    ScreenshotNamer(const std::wstring& pattern, std::size_t imageCount)
        : pattern_(pattern), several_(imageCount > 1) {}
    bool enabled() const { return !pattern_.empty(); }
    std::filesystem::path name(std::size_t image, std::size_t view) const {
        std::filesystem::path p(pattern_);
        std::wstring stem = p.stem().wstring();
        std::wstring suffix = several_
                                  ? L"-" + std::to_wstring(image) + L"-" + std::to_wstring(view)
                                  : L"-" + std::to_wstring(view);
        std::wstring extension = p.has_extension() ? p.extension().wstring() : L".bmp";
        return p.parent_path() / (stem + suffix + extension);
    }

  private:
    std::wstring pattern_;
    bool several_;
};

struct Run {
    Run(const Options& o, ListerPlugin& p, DebugChannel* c, const BeepCounter* b)
        : options(o), plugin(p), channel(c), beeps(b), screenshots(o.screenshot, o.images.size()) {}

    const Options& options;
    ListerPlugin& plugin;
    DebugChannel* channel;
    const BeepCounter* beeps;
    ScreenshotNamer screenshots;
    Clock clock;
    bool failed = false;

    void screenshot(Json& view, HWND frame, std::size_t image, std::size_t step) {
        if (!screenshots.enabled()) return;
        std::filesystem::path file = screenshots.name(image, step);
        Capture capture = Capture::ofClientArea(frame);
        if (capture.writeBmp(file)) {
            view["screenshot"] = utf8(file.wstring());
        } else {
            view["screenshot"] = nullptr;
            printError("cannot save the screenshot " + utf8(file.wstring()));
            failed = true;
        }
    }

    // The view of step as the window shows it, with the finds of that step and the copies.
    Json viewAt(HWND frame, HWND window, std::size_t index, std::size_t step) {
        Json view = textJson(richEditText(window));
        view["style"] = static_cast<std::uint32_t>(GetWindowLongPtrW(window, GWL_STYLE));
        view["step"] = step;
        screenshot(view, frame, index, step);
        if (!options.finds.empty())
            view["finds"] =
                findInView(plugin, window, static_cast<int>(step), options.finds, *beeps);
        if (options.copy) view["copies"] = copyFromView(plugin, window);
        return view;
    }

    // The view after a load, then one after each change of the wrap bit; step counts on.
    Json showViews(ViewerFrame& frame, HWND window, std::size_t index, std::size_t& step) {
        Json views = Json::array();
        frame.setStep(step);
        Json load = viewAt(frame.hwnd(), window, index, step);
        load["parameter"] = nullptr;
        load["result"] = nullptr;
        views.push_back(std::move(load));
        for (int k = 1; k <= options.toggles; ++k) {
            frame.setStep(++step);
            const int bit = (k - 1) % 2;  // the plug-in starts with wrap on
            int result = plugin.listSendCommand(window, kCommandNewParams, bit);
            ViewerFrame::pumpMessages();
            Json view = viewAt(frame.hwnd(), window, index, step);
            view["parameter"] = bit;
            view["result"] = result;
            views.push_back(std::move(view));
        }
        ++step;
        return views;
    }

    // The next image in window through ListLoadNext; where the plug-in declines, the window is
    // closed and the image opened anew, as file managers do. window is the one that shows it.
    Json openNext(ViewerFrame& frame, HWND& window, const std::wstring& path, std::size_t index,
                  std::size_t& step) {
        Json next;
        next["file"] = utf8(path);
        PluginFileName name(path);
        frame.setStep(step);
        const HWND before = window;
        std::optional<CreationLog> log(std::in_place);
        std::optional<int> result = plugin.loadNext(frame.hwnd(), window, name, options.flags);
        ViewerFrame::pumpMessages();
        next["entryPoint"] =
            plugin.loadNextEntryPoint() ? Json(plugin.loadNextEntryPoint()) : Json();
        next["result"] = result ? Json(*result) : Json();
        next["fallback"] = result != 0;
        if (result != 0) {
            plugin.listCloseWindow(window);
            ViewerFrame::pumpMessages();
            window = plugin.load(frame.hwnd(), name, options.flags);
            ViewerFrame::pumpMessages();
        }
        next["sameWindow"] = window == before;
        next["window"] = window ? windowJson(frame.hwnd(), window, *log) : Json();
        log.reset();
        next["views"] = window ? showViews(frame, window, index, step) : Json::array();
        return next;
    }

    Json openOnce(std::size_t index, const std::wstring& path) {
        Json img;
        img["file"] = utf8(path);
        PluginFileName name(path);
        std::wstring back = fromAnsi(std::string(name.ansi.data()));
        img["ansiFile"] = utf8(back);
        img["ansiExact"] = back == path;
        img["flags"] = options.flags;

        ViewerFrame frame(kFrameWidth, kFrameHeight);
        frame.setStep(0);
        // Only ListLoad's own window creations are recorded.
        std::optional<CreationLog> log(std::in_place);
        HWND window = plugin.load(frame.hwnd(), name, options.flags);
        ViewerFrame::pumpMessages();
        Json views = Json::array();
        std::size_t step = 0;
        std::vector<HWND> shown{window};  // every window of this image, for the notifications
        if (!window) {
            img["window"] = nullptr;
        } else {
            img["window"] = windowJson(frame.hwnd(), window, *log);
            log.reset();
            views = showViews(frame, window, index, step);
            Json nexts = Json::array();
            for (const std::wstring& next : options.next) {
                if (!window) break;
                nexts.push_back(openNext(frame, window, next, index, step));
                shown.push_back(window);
            }
            if (!options.next.empty()) img["next"] = std::move(nexts);
        }
        if (window) {
            frame.setStep(step);
            plugin.listCloseWindow(window);
            ViewerFrame::pumpMessages();
            img["isWindowAfterClose"] = IsWindow(window) != FALSE;
        }
        img["views"] = std::move(views);
        Json notes = Json::array();
        for (const Notification& n : frame.takeNotifications()) {
            notes.push_back(
                {{"step", n.step},
                 {"wParam", n.wParam},
                 {"lParam", n.lParam},
                 {"lParamIsWindow", std::any_of(shown.begin(), shown.end(), [&n](HWND w) {
                      return w != nullptr && n.lParam == reinterpret_cast<std::uintptr_t>(w);
                  })}});
        }
        img["notifications"] = std::move(notes);
        img["trace"] = traceSince(channel);
        return img;
    }

    // The thumbnail, as a file manager's thumbnail view asks for it.
    Json preview(std::size_t index, const std::wstring& path) {
        Json j;
        j["entryPoint"] = plugin.previewEntryPoint() ? Json(plugin.previewEntryPoint()) : nullptr;
        j["requested"] = {{"width", options.previewWidth}, {"height", options.previewHeight}};
        PluginFileName name(path);
        std::vector<char> content = firstBytes(path, kPreviewContentBytes);
        j["contentBytes"] = content.size();
        Bitmap bitmap(plugin.preview(name, options.previewWidth, options.previewHeight, content));
        ViewerFrame::pumpMessages();
        j["trace"] = traceSince(channel);
        if (!bitmap) {
            j["bitmap"] = nullptr;
            return j;
        }
        MemoryDc dc(CreateCompatibleDC(nullptr));
        Capture picture = Capture::ofBitmap(bitmap.get(), dc.get());
        std::filesystem::path file(options.preview);
        if (options.images.size() > 1)
            file = file.parent_path() / (file.stem().wstring() + L"-" + std::to_wstring(index) +
                                         file.extension().wstring());
        Json b{{"width", picture.width()}, {"height", picture.height()}, {"file", nullptr}};
        if (picture.writeBmp(file)) {
            b["file"] = utf8(file.wstring());
        } else {
            printError("cannot save the thumbnail " + utf8(file.wstring()));
            failed = true;
        }
        j["bitmap"] = std::move(b);
        return j;
    }

    Json repeat(const std::wstring& path) {
        const int r = options.repeat;
        PluginFileName name(path);
        std::vector<double> loads, switches;
        loads.reserve(static_cast<std::size_t>(r));
        switches.reserve(static_cast<std::size_t>(r));
        std::map<int, int> switchResults;
        int nullWindows = 0, stillWindows = 0, wrapNotices = 0, otherNotices = 0;
        std::size_t traceLines = 0, firstTraceLines = 0, differingTraceCounts = 0;
        Json firstTrace;

        ViewerFrame frame(kFrameWidth, kFrameHeight);
        ResourceUsage initial = measureResources();
        ResourceUsage afterFirst = initial;
        for (int i = 0; i < r; ++i) {
            auto t0 = clock.now();
            HWND window = plugin.load(frame.hwnd(), name, options.flags);
            auto t1 = clock.now();
            ViewerFrame::pumpMessages();
            loads.push_back(clock.microseconds(t0, t1));
            if (window) {
                auto t2 = clock.now();
                int result = plugin.listSendCommand(window, kCommandNewParams, 0);
                auto t3 = clock.now();
                switches.push_back(clock.microseconds(t2, t3));
                ++switchResults[result];
                ViewerFrame::pumpMessages();
                plugin.listCloseWindow(window);
                ViewerFrame::pumpMessages();
                if (IsWindow(window)) ++stillWindows;
            } else {
                ++nullWindows;
            }
            for (const Notification& n : frame.takeNotifications()) {
                bool wrap = n.wParam == kNotifyWrapOn &&
                            n.lParam == reinterpret_cast<std::uintptr_t>(window);
                ++(wrap ? wrapNotices : otherNotices);
            }
            Json lines = traceSince(channel);
            traceLines += lines.size();
            if (i == 0) {
                firstTraceLines = lines.size();
                firstTrace = std::move(lines);
                afterFirst = measureResources();
            } else if (lines.size() != firstTraceLines) {
                ++differingTraceCounts;
            }
        }
        ResourceUsage last = measureResources();

        Json j;
        j["iterations"] = r;
        j["usage"] = {{"initial", usageJson(initial)},
                      {"afterFirst", usageJson(afterFirst)},
                      {"final", usageJson(last)}};
        j["listLoad"] = timingSummary(loads);
        j["viewSwitch"] = timingSummary(switches);
        Json results = Json::object();
        for (auto [result, count] : switchResults) results[std::to_string(result)] = count;
        j["switchResults"] = results;
        j["nullWindows"] = nullWindows;
        j["windowsLeftOpen"] = stillWindows;
        j["wrapNotifications"] = wrapNotices;
        j["otherNotifications"] = otherNotices;
        j["traceLines"] = traceLines;
        j["firstIterationTrace"] = std::move(firstTrace);
        j["iterationsWithOtherTraceCount"] = differingTraceCounts;
        if (plugin.loadNextEntryPoint() != nullptr) j["listLoadNext"] = repeatNext(frame, name);
        return j;
    }

    // The same image again and again into one window through ListLoadNext: its time, its
    // answers, and what the process holds after the first and after the last.
    Json repeatNext(ViewerFrame& frame, PluginFileName& name) {
        Json j;
        HWND window = plugin.load(frame.hwnd(), name, options.flags);
        ViewerFrame::pumpMessages();
        if (!window) return nullptr;
        std::map<int, int> results;
        auto next = [&] {
            std::optional<int> result = plugin.loadNext(frame.hwnd(), window, name, options.flags);
            ++results[result.value_or(-1)];
        };
        next();
        ViewerFrame::pumpMessages();
        // The lines are taken as they come, so that the host's own memory stays flat.
        std::size_t traceLines = traceSince(channel).size();
        ResourceUsage afterFirst = measureResources();
        std::vector<double> times;
        const int count = options.repeatNext < 0 ? options.repeat : options.repeatNext;
        times.reserve(static_cast<std::size_t>(count));
        for (int i = 0; i < count; ++i) {
            auto t0 = clock.now();
            next();
            auto t1 = clock.now();
            times.push_back(clock.microseconds(t0, t1));
            ViewerFrame::pumpMessages();
            traceLines += traceSince(channel).size();
        }
        ResourceUsage last = measureResources();
        plugin.listCloseWindow(window);
        ViewerFrame::pumpMessages();
        frame.takeNotifications();
        j["timing"] = timingSummary(times);
        Json answers = Json::object();
        for (auto [result, calls] : results) answers[std::to_string(result)] = calls;
        j["results"] = answers;
        j["usage"] = {{"afterFirst", usageJson(afterFirst)}, {"final", usageJson(last)}};
        j["traceLines"] = traceLines + traceSince(channel).size();
        return j;
    }
};

Json detectStringJson(ListerPlugin& plugin) {
    // A filled buffer shows how many bytes the plug-in wrote: no byte of the text is 0xFF.
    std::vector<char> buffer(kDetectStringBufferSize, static_cast<char>(0xFF));
    plugin.listGetDetectString(buffer.data(), kDetectStringBufferSize);
    auto end = std::find(buffer.begin(), buffer.end(), '\0');
    std::string text(buffer.begin(), end);
    std::size_t written = 0;
    for (std::size_t i = buffer.size(); i > 0; --i) {
        if (buffer[i - 1] != static_cast<char>(0xFF)) {
            written = i;
            break;
        }
    }
    Json bytes = Json::array();
    for (char c : text) bytes.push_back(static_cast<unsigned char>(c));
    return Json{{"text", utf8(fromAnsi(text))},
                {"length", text.size()},
                {"terminated", end != buffer.end()},
                {"bytesWritten", written},
                {"bytes", std::move(bytes)}};
}

int run(const Options& options) {
    // Like file managers, an OLE thread: the control's own copy hands its data to the OLE
    // clipboard. Uninitialised last, when the clipboard may still ask the plug-in's data.
    OleSession ole;
    // The plug-in creates "RichEdit" windows and loads no rich-edit library itself.
    Library richEdit(LoadLibraryW(L"riched32.dll"));
    if (!richEdit) {
        printError("cannot load riched32.dll");
        return kExitFailure;
    }
    // Listening starts before the plug-in is loaded, so its start-up lines are caught too.
    std::optional<DebugChannel> listener;
    if (options.listen) listener.emplace();
    DebugChannel* channel = listener ? &*listener : nullptr;

    std::wstring pluginPath = options.plugin.empty() ? besideProgram(kPluginFile) : options.plugin;
    std::unique_ptr<ListerPlugin> plugin;
    try {
        plugin = std::make_unique<ListerPlugin>(pluginPath, options.ansi);
    } catch (const std::exception& e) {
        printError(e.what());
        return kExitNoPlugin;
    }

    Json report;
    report["host"] = {{"version", QVX_VERSION_STRING},
                      {"debugChannel", options.listen ? "DBWIN_BUFFER" : "none"},
                      {"ansiCodePage", GetACP()},
                      {"processId", GetCurrentProcessId()}};
    report["plugin"] = {{"path", utf8(plugin->path())},
                        {"dllDirectory", utf8(plugin->directory())},
                        {"loadEntryPoint", plugin->loadEntryPoint()}};
    report["detectString"] = detectStringJson(*plugin);
    report["trace"] = traceSince(channel);

    std::optional<BeepCounter> beeps(std::in_place, plugin->module());
    Run runner(options, *plugin, channel, &*beeps);
    Json images = Json::array();
    if (options.together)
        report["together"] =
            runTogether(*plugin, {options.images, options.flags, options.togetherToggles,
                                  [channel] { return traceSince(channel); }});
    for (std::size_t i = 0; !options.together && i < options.images.size(); ++i) {
        Json img = runner.openOnce(i, options.images[i]);
        if (!options.preview.empty()) img["preview"] = runner.preview(i, options.images[i]);
        if (options.repeat > 0) img["repeat"] = runner.repeat(options.images[i]);
        images.push_back(std::move(img));
    }
    report["images"] = std::move(images);

    beeps.reset();
    plugin.reset();
    report["unloadTrace"] = traceSince(channel);
    if (channel != nullptr) channel->stop();

    std::string out = report.dump(2) + "\n";
    std::fwrite(out.data(), 1, out.size(), stdout);
    std::fflush(stdout);
    return runner.failed ? kExitFailure : kExitOk;
}

}  // namespace
}  // namespace qvx::host

int wmain(int argc, wchar_t** argv) {
    using namespace qvx::host;
    _setmode(_fileno(stdout), _O_BINARY);
    Options options;
    try {
        options = parseOptions(argc, argv);
    } catch (const UsageError& e) {
        printError(e.what());
        std::fputs(kUsage, stderr);
        return kExitUsage;
    }
    if (options.help) {
        std::fputs(kUsage, stdout);
        return kExitOk;
    }
    try {
        return run(options);
    } catch (const std::exception& e) {
        printError(e.what());
        return kExitFailure;
    }
}
