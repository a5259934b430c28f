// Loads one image the way the viewer does and prints the text of one of its views; hands many
// images, folders and the other modes to the collection run.
#include "cli/app.h"

#include "base/text.h"
#include "base/trace.h"
#include "cli/collection.h"
#include "cli/extract_run.h"
#include "cli/image_paths.h"
#include "cli/options.h"
#include "cli/png.h"
#include "cli/problem_text.h"
#include "cli/terminal_text.h"
#include "disk/image.h"
#include "qvx_version.h"
#include "render/load.h"
#include "render/picture.h"
#include "render/views.h"

namespace qvx::cli {
namespace {

// Routes the trace to standard error for the life of one run; the sink is process-wide.
class TraceToStderr {
  public:
    TraceToStderr(bool enabled, const Writer& err) {
        if (enabled)
            setTraceSink([&err](const std::u16string& line) { err(readablePath(line) + "\n"); });
    }
    ~TraceToStderr() { setTraceSink(nullptr); }
    TraceToStderr(const TraceToStderr&) = delete;
    TraceToStderr& operator=(const TraceToStderr&) = delete;
};

}  // namespace

int runQvx(const std::vector<std::u16string>& args, const Console& console) {
    const ParsedCommand command = parseArguments(args);
    switch (command.action) {
        case Action::Help:
            console.out(helpText());
            return kExitOk;
        case Action::Version:
            console.out("qvx " QVX_VERSION_STRING "\n");
            return kExitOk;
        case Action::UsageError:
            console.err("qvx: " + command.error + "\n" + std::string(kUsageLine));
            return kExitUsage;
        case Action::Run:
            break;
    }

    const Options& options = command.options;
    if (options.extract) {
        TraceToStderr trace(options.trace, console.err);
        return runExtract(options, console);
    }
    if (options.paths.size() != 1 || options.recursive || options.json || options.find ||
        isFolder(options.paths.front())) {
        if (!options.png.empty()) {
            console.err("qvx: --png draws one IMAGE, not a folder\n" + std::string(kUsageLine));
            return kExitUsage;
        }
        return runCollection(options, console);
    }

    const std::u16string& path = options.paths.front();
    DiskImage image;
    std::u16string text;
    const bool viewExists = [&] {
        TraceToStderr trace(options.trace, console.err);
        const std::u16string listing = loadImage(path, image);
        if (!hasView(image, options.view)) return false;
        // The load has built the listing already; building it again would trace twice.
        text = options.view == kViewListing ? listing : viewText(image, options.view).value_or(u"");
        return true;
    }();

    const bool readable = isReadableImage(image);
    bool pictureFailed = false;
    if (!options.png.empty()) {
        // No picture of a file that is no image: it would only show an empty frame.
        const std::string problem =
            viewExists && readable
                ? writePng(renderText(text), options.scale, options.png, console.out)
                : "";
        if (!problem.empty()) {
            console.err("qvx: " + problem + "\n");
            pictureFailed = true;
        }
    } else if (viewExists) {
        const bool color =
            !options.raw && useColor(options.color, console.stdoutIsTerminal, console.noColor);
        console.out(options.raw ? rawText(text) : terminalText(text, color));
    }
    const std::string imageName = readablePath(path);
    const std::string report = imageReport(imageName, image);
    if (!report.empty()) console.err(report);
    if (readable && !viewExists) console.err(noViewThreeMessage(imageName, image));
    return pictureFailed || !report.empty() || !viewExists ? kExitUnreadable : kExitOk;
}

}  // namespace qvx::cli
