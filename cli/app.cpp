// Loads the image the way the viewer does and prints the text of one of its views.
#include "cli/app.h"

#include "cli/options.h"
#include "cli/terminal_text.h"
#include "disk/image.h"
#include "disk/text.h"
#include "plugin/trace.h"
#include "qvx_version.h"
#include "render/listing.h"
#include "render/load.h"

namespace qvx::cli {
namespace {

// Routes the trace to standard error for the life of one run; the sink is process-wide.
class TraceToStderr {
  public:
    TraceToStderr(bool enabled, const Writer& err) {
        if (enabled) setTraceSink([&err](const std::u16string& line) { err(toUtf8(line) + "\n"); });
    }
    ~TraceToStderr() { setTraceSink(nullptr); }
    TraceToStderr(const TraceToStderr&) = delete;
    TraceToStderr& operator=(const TraceToStderr&) = delete;
};

std::u16string viewText(const DiskImage& image, const std::u16string& listing, int view) {
    switch (view) {
        case 1:
            return setupString(image, 1);
        case 2:
            return image.bamMapText;
        case 3:
            return image.errorMapText;
        default:
            return listing;
    }
}

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
    DiskImage image;
    std::u16string text;
    // View 3 exists only for images with error bytes, as in the viewer's cycle.
    const bool viewExists = [&] {
        TraceToStderr trace(options.trace, console.err);
        const std::u16string listing = loadImage(options.image, image);
        if (options.view == 3 && image.hasErrorBytes != 1) return false;
        text = viewText(image, listing, options.view);
        return true;
    }();

    if (viewExists) {
        const bool color =
            !options.raw && useColor(options.color, console.stdoutIsTerminal, console.noColor);
        console.out(options.raw ? rawText(text) : terminalText(text, color));
    }
    const std::string imageName = toUtf8(options.image);
    if (image.type == kTypeUnknown || image.dirEntries.empty()) {
        console.err("qvx: " + imageName + ": not a readable disk image\n");
        return kExitUnreadable;
    }
    if (!viewExists) {
        console.err("qvx: " + imageName + ": no error bytes, so no error map (view 3)\n");
        return kExitUnreadable;
    }
    return kExitOk;
}

}  // namespace qvx::cli
