// Many viewer windows at once, each with its own frame, as a file manager with many lister
// windows has them. The host keeps its own bookkeeping out of the measurements: everything it
// records is allocated before the first one, texts are kept as fingerprints and the trace only
// as counts, taken before each measurement.
#include "host/together.h"

#include <algorithm>
#include <memory>
#include <string>

#include "host/resource_usage.h"
#include "host/viewer_frame.h"
#include "host/wide_text.h"
#include "host/window_probe.h"

namespace qvx::host {

namespace {

using Json = nlohmann::ordered_json;

constexpr int kFrameWidth = 640;
constexpr int kFrameHeight = 480;
// Enough changes of the wrap bit to pass through every view once, error map included.
constexpr int kWarmUpToggles = 4;
constexpr std::size_t kUnexpectedKept = 16;

Json usageJson(const ResourceUsage& u) {
    return Json{{"gdiObjects", u.gdiObjects},       {"gdiSource", u.gdiSource},
                {"userObjects", u.userObjects},     {"userSource", u.userSource},
                {"heapBusyBytes", u.heapBusyBytes}, {"privateCommitted", u.privateCommitted},
                {"pagefileUsage", u.pagefileUsage}, {"workingSetSize", u.workingSetSize}};
}

// 64-bit FNV-1a over the UTF-16 code units, low byte first (the text's UTF-16LE bytes).
std::uint64_t fingerprint(const std::wstring& text) {
    std::uint64_t h = 0xCBF29CE484222325;
    for (wchar_t c : text) {
        for (int shift : {0, 8}) {
            h ^= (static_cast<std::uint64_t>(c) >> shift) & 0xFF;
            h *= 0x100000001B3;
        }
    }
    return h;
}

std::string hex(std::uint64_t value) {
    static const char kDigits[] = "0123456789abcdef";
    std::string out(16, '0');
    for (int i = 15; i >= 0; --i, value >>= 4)
        out[static_cast<std::size_t>(i)] = kDigits[value & 0xF];
    return out;
}

bool startsWith(const std::string& line, const char* prefix) {
    return line.rfind(prefix, 0) == 0;
}

// The trace of one phase, as counts of the lines each phase is expected to write.
struct PhaseTrace {
    int loads = 0;         // "ListLoad - called for '...'"
    int fonts = 0;         // "ListLoad - AddFont=..."
    int sendsWrapOff = 0;  // "ListSendCommand - c=$2, p=$0"
    int sendsWrapOn = 0;   // "ListSendCommand - c=$2, p=$1"
    int emptyLists = 0;    // "setupString - empty list"
    int closes = 0;        // "ListCloseCommand"
    int readers = 0;       // any other line while windows load: the readers' own
    int others = 0;        // any other line in any other phase
    std::vector<std::string> unexpected;

    PhaseTrace() { unexpected.reserve(kUnexpectedKept); }

    void count(const Json& lines, bool loading) {
        for (const Json& l : lines) {
            const std::string& line = l.get_ref<const std::string&>();
            if (startsWith(line, "QVX: ListLoad - called for '")) {
                ++loads;
            } else if (startsWith(line, "QVX: ListLoad - AddFont=")) {
                ++fonts;
            } else if (line == "QVX: ListSendCommand - c=$2, p=$0") {
                ++sendsWrapOff;
            } else if (line == "QVX: ListSendCommand - c=$2, p=$1") {
                ++sendsWrapOn;
            } else if (line == "QVX: setupString - empty list") {
                ++emptyLists;
            } else if (line == "QVX: ListCloseCommand") {
                ++closes;
            } else if (loading) {
                ++readers;
            } else {
                ++others;
                if (unexpected.size() < kUnexpectedKept) unexpected.push_back(line);
            }
        }
    }

    Json json() const {
        return Json{{"loads", loads},
                    {"fonts", fonts},
                    {"sendsWrapOff", sendsWrapOff},
                    {"sendsWrapOn", sendsWrapOn},
                    {"emptyLists", emptyLists},
                    {"closes", closes},
                    {"readers", readers},
                    {"others", others},
                    {"unexpected", unexpected}};
    }
};

struct Viewer {
    std::wstring file;
    PluginFileName name{std::wstring()};
    int toggles = 0;
    std::unique_ptr<ViewerFrame> frame;
    HWND window = nullptr;
    bool userDataSet = false;
    std::vector<int> results;
    std::vector<std::uint64_t> steps;  // text fingerprint after load, then after each change
    int wrapNotices = 0;               // the wrap-text note, from this window, at load
    int otherNotices = 0;
    bool isWindowAfterClose = false;
};

// The run once over, with fewer changes: all windows open at once, each through a whole cycle,
// then closed. What the system keeps for good after such a peak (the heap it grew to, the glyphs
// a font has drawn) is not counted as held by the run that is measured.
void warmUp(ListerPlugin& plugin, const TogetherRun& run) {
    std::vector<std::unique_ptr<ViewerFrame>> frames;
    std::vector<HWND> windows;
    for (const std::wstring& image : run.images) {
        frames.push_back(std::make_unique<ViewerFrame>(kFrameWidth, kFrameHeight));
        PluginFileName name(image);
        windows.push_back(plugin.load(frames.back()->hwnd(), name, run.flags));
        ViewerFrame::pumpMessages();
    }
    for (int k = 0; k < kWarmUpToggles; ++k) {
        for (HWND window : windows)
            if (window != nullptr) plugin.listSendCommand(window, kCommandNewParams, k % 2);
        ViewerFrame::pumpMessages();
    }
    for (HWND window : windows)
        if (window != nullptr) plugin.listCloseWindow(window);
    ViewerFrame::pumpMessages();
    frames.clear();
    ViewerFrame::pumpMessages();
}

class Stopwatch {
  public:
    Stopwatch() {
        QueryPerformanceFrequency(&frequency_);
        QueryPerformanceCounter(&start_);
    }
    // Milliseconds since the last call (or the start).
    double lap() {
        LARGE_INTEGER now;
        QueryPerformanceCounter(&now);
        double ms = static_cast<double>(now.QuadPart - start_.QuadPart) * 1e3 /
                    static_cast<double>(frequency_.QuadPart);
        start_ = now;
        return ms;
    }

  private:
    LARGE_INTEGER frequency_{};
    LARGE_INTEGER start_{};
};

}  // namespace

Json runTogether(ListerPlugin& plugin, const TogetherRun& run) {
    Stopwatch watch;
    const ResourceUsage initial = measureResources();
    warmUp(plugin, run);
    PhaseTrace warmUpTrace, loadTrace, toggleTrace, closeTrace;
    warmUpTrace.count(run.takeTrace(), true);

    std::vector<Viewer> viewers(run.images.size());
    int mostToggles = 0;
    for (std::size_t i = 0; i < viewers.size(); ++i) {
        Viewer& v = viewers[i];
        v.file = run.images[i];
        v.name = PluginFileName(v.file);
        v.toggles = run.toggles.empty() ? 0 : run.toggles[i % run.toggles.size()];
        v.results.reserve(static_cast<std::size_t>(v.toggles));
        v.steps.reserve(static_cast<std::size_t>(v.toggles) + 1);
        mostToggles = std::max(mostToggles, v.toggles);
    }
    const double warmUpMs = watch.lap();
    const ResourceUsage before = measureResources();

    for (Viewer& v : viewers) {
        v.frame = std::make_unique<ViewerFrame>(kFrameWidth, kFrameHeight);
        v.frame->setStep(0);
        v.window = plugin.load(v.frame->hwnd(), v.name, run.flags);
        ViewerFrame::pumpMessages();
        if (v.window == nullptr) continue;
        v.userDataSet = GetWindowLongPtrW(v.window, GWLP_USERDATA) != 0;
        v.steps.push_back(fingerprint(richEditText(v.window)));
    }
    loadTrace.count(run.takeTrace(), true);
    const double loadMs = watch.lap();
    const ResourceUsage allOpen = measureResources();

    watch.lap();
    for (int round = 1; round <= mostToggles; ++round) {
        const int bit = (round - 1) % 2;  // the plug-in starts with wrap on
        for (Viewer& v : viewers) {
            if (v.window == nullptr || v.toggles < round) continue;
            v.frame->setStep(static_cast<std::size_t>(round));
            v.results.push_back(plugin.listSendCommand(v.window, kCommandNewParams, bit));
            ViewerFrame::pumpMessages();
            v.steps.push_back(fingerprint(richEditText(v.window)));
        }
    }
    toggleTrace.count(run.takeTrace(), false);
    const double toggleMs = watch.lap();
    const ResourceUsage allToggled = measureResources();

    watch.lap();
    for (Viewer& v : viewers) {
        if (v.window == nullptr) continue;
        v.frame->setStep(static_cast<std::size_t>(v.toggles) + 1);
        plugin.listCloseWindow(v.window);
        ViewerFrame::pumpMessages();
        v.isWindowAfterClose = IsWindow(v.window) != FALSE;
    }
    for (Viewer& v : viewers) {
        for (const Notification& n : v.frame->takeNotifications()) {
            const bool wrap = n.wParam == kNotifyWrapOn && n.step == 0 &&
                              n.lParam == reinterpret_cast<std::uintptr_t>(v.window);
            ++(wrap ? v.wrapNotices : v.otherNotices);
        }
        v.frame.reset();
        ViewerFrame::pumpMessages();
    }
    closeTrace.count(run.takeTrace(), false);
    const double closeMs = watch.lap();
    const ResourceUsage after = measureResources();

    Json windows = Json::array();
    for (const Viewer& v : viewers) {
        Json steps = Json::array();
        for (std::uint64_t s : v.steps) steps.push_back(hex(s));
        windows.push_back({{"file", utf8(v.file)},
                           {"toggles", v.toggles},
                           {"window", v.window != nullptr},
                           {"userDataSet", v.userDataSet},
                           {"results", v.results},
                           {"steps", std::move(steps)},
                           {"wrapNotices", v.wrapNotices},
                           {"otherNotices", v.otherNotices},
                           {"isWindowAfterClose", v.isWindowAfterClose}});
    }
    Json report;
    report["windows"] = viewers.size();
    report["toggleCounts"] = run.toggles;
    report["perWindow"] = std::move(windows);
    report["trace"] = {{"warmUp", warmUpTrace.json()},
                       {"load", loadTrace.json()},
                       {"toggle", toggleTrace.json()},
                       {"close", closeTrace.json()}};
    report["usage"] = {{"initial", usageJson(initial)},
                       {"before", usageJson(before)},
                       {"allOpen", usageJson(allOpen)},
                       {"allToggled", usageJson(allToggled)},
                       {"after", usageJson(after)}};
    report["milliseconds"] = {
        {"warmUp", warmUpMs}, {"load", loadMs}, {"toggle", toggleMs}, {"close", closeMs}};
    return report;
}

}  // namespace qvx::host
