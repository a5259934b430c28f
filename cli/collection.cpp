// The collection run: each image read by a worker only as far as its output needs, the text
// made there too, and the printer writing results in order, batched, with an optional progress
// line on a terminal.
#include "cli/collection.h"

#include <chrono>
#include <thread>

#include "base/text.h"
#include "base/trace.h"
#include "cli/image_paths.h"
#include "cli/image_report.h"
#include "cli/name_pattern.h"
#include "cli/ordered_work.h"
#include "cli/problem_text.h"
#include "cli/read_image.h"
#include "cli/terminal_text.h"
#include "render/listing.h"
#include "render/load.h"
#include "render/views.h"

namespace qvx::cli {
namespace {

using Clock = std::chrono::steady_clock;

// Where a worker's trace lines go: the result of the image it is reading.
thread_local std::string* traceTarget = nullptr;

class TraceToResults {
  public:
    explicit TraceToResults(bool enabled) {
        if (enabled)
            setTraceSink([](const std::u16string& line) {
                if (traceTarget != nullptr) *traceTarget += readablePath(line) + "\n";
            });
    }
    ~TraceToResults() { setTraceSink(nullptr); }
    TraceToResults(const TraceToResults&) = delete;
    TraceToResults& operator=(const TraceToResults&) = delete;
};

struct Plan {
    const Options& options;
    bool color;
    NamePattern pattern;
};

// The report on the image's problems, and whether the exit status counts it.
void report(const std::string& shown, const DiskImage& image, ImageResult& result) {
    const std::string message = imageReport(shown, image);
    result.err += message;
    result.failed = result.failed || !message.empty();
}

void readForText(const std::u16string& path, const Plan& plan, ImageResult& result) {
    const Options& options = plan.options;
    const std::string shown = readablePath(path);
    DiskImage image;
    std::u16string text;
    if (options.view <= kViewSecondListing) {
        readImage(path, image, {true, false});
        text = setupString(image, options.view);
    } else {
        loadImage(path, image);
        text = viewText(image, options.view).value_or(u"");
    }
    result.out = "==> " + shown + " <==\n";
    const bool viewExists = hasView(image, options.view);
    if (viewExists) result.out += options.raw ? rawText(text) : terminalText(text, plan.color);
    report(shown, image, result);
    if (isReadableImage(image) && !viewExists) {
        result.err += noViewThreeMessage(shown, image);
        result.failed = true;
    }
}

void readForJson(const std::u16string& path, ImageResult& result) {
    DiskImage image;
    readImage(path, image, {true, true});
    result.out = imageJson(path, image);
    report(readablePath(path), image, result);
}

// Only the directory is read: the entry lines need nothing else.
void readForFind(const std::u16string& path, const Plan& plan, ImageResult& result) {
    DiskImage image;
    readImage(path, image, {false, false});
    const std::string shown = readablePath(path);
    const bool json = plan.options.json;
    for (std::size_t i = 1; i < image.dirEntries.size(); ++i) {
        const DirEntry& entry = image.dirEntries[i];
        if (!nameMatches(plan.pattern, entry.name)) continue;
        result.matched = true;
        if (json) {
            result.out += matchJson(path, i, entry);
            continue;
        }
        std::u16string line;
        appendEntryLine(line, entry, plan.options.view);
        result.out += shown + ":";
        result.out += plan.options.raw ? rawText(line) : terminalText(line, false);
        result.out += "\n";
    }
    report(shown, image, result);
}

ImageResult examine(const std::u16string& path, const Plan& plan) {
    ImageResult result;
    traceTarget = &result.err;
    if (plan.options.find) {
        readForFind(path, plan, result);
    } else if (plan.options.json) {
        readForJson(path, result);
    } else {
        readForText(path, plan, result);
    }
    traceTarget = nullptr;
    return result;
}

// "qvx: 1234 of 10000 images" on standard error, redrawn in place; only on a terminal, and
// only once the run has taken a second.
class Progress {
  public:
    Progress(const Console& console, std::size_t total)
        : console_(console), total_(total), enabled_(console.stderrIsTerminal) {}

    void update(std::size_t done) {
        if (!enabled_) return;
        const Clock::time_point now = Clock::now();
        if (now - start_ < std::chrono::seconds(1) || now - drawn_ < std::chrono::milliseconds(100))
            return;
        drawn_ = now;
        std::string line =
            "qvx: " + std::to_string(done) + " of " + std::to_string(total_) + " images";
        const std::size_t length = line.size();
        if (length < shown_) line.append(shown_ - length, ' ');
        console_.err("\r" + line + "\r");
        shown_ = length;
    }

    // Before anything else is written: the line goes, the cursor back at its start.
    void clear() {
        if (shown_ == 0) return;
        console_.err("\r" + std::string(shown_, ' ') + "\r");
        shown_ = 0;
    }

  private:
    const Console& console_;
    std::size_t total_;
    bool enabled_;
    Clock::time_point start_ = Clock::now();
    Clock::time_point drawn_{};
    std::size_t shown_ = 0;
};

// Standard output gathered into large writes; flushed before standard error is written, so that
// the two keep their order on a terminal, and whenever the printer would wait.
class Printer {
  public:
    Printer(const Console& console, Progress& progress) : console_(console), progress_(progress) {}
    ~Printer() { flush(); }
    Printer(const Printer&) = delete;
    Printer& operator=(const Printer&) = delete;

    void out(const std::string& text) {
        pending_ += text;
        if (pending_.size() >= kBatch) flush();
    }
    void err(const std::string& text) {
        flush();
        progress_.clear();
        console_.err(text);
    }
    void flush() {
        if (pending_.empty()) return;
        // Only where both share the terminal must the line make room.
        if (console_.stdoutIsTerminal) progress_.clear();
        console_.out(pending_);
        pending_.clear();
    }

  private:
    static constexpr std::size_t kBatch = 64 * 1024;
    const Console& console_;
    Progress& progress_;
    std::string pending_;
};

unsigned workerCount(std::size_t images) {
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    return static_cast<unsigned>(std::min<std::size_t>(cores, images));
}

}  // namespace

int runCollection(const Options& options, const Console& console) {
    const ImagePaths paths = collectImages(options.paths, options.recursive);
    bool failed = false;
    for (const FolderError& error : paths.errors) {
        console.err("qvx: " + readablePath(error.folder) + ": " + error.reason + "\n");
        failed = true;
    }
    for (const std::u16string& folder : paths.foldersWithoutImages) {
        console.err("qvx: " + readablePath(folder) + ": no disk image in this folder" +
                    (options.recursive ? " or the folders inside it\n" : "\n"));
        failed = true;
    }

    const Plan plan{
        options, !options.raw && useColor(options.color, console.stdoutIsTerminal, console.noColor),
        options.find ? parseNamePattern(*options.find) : NamePattern{}};
    Progress progress(console, paths.images.size());
    bool matched = false;
    {
        TraceToResults trace(options.trace);
        Printer printer(console, progress);
        std::size_t delivered = 0;
        runInOrder(
            paths.images.size(), workerCount(paths.images.size()),
            [&](std::size_t i) { return examine(paths.images[i], plan); },
            [&](ImageResult& result) {
                // Between two images' texts an empty line, as head(1) has it.
                if (delivered++ != 0 && !options.json && !options.find) printer.out("\n");
                printer.out(result.out);
                if (!result.err.empty()) printer.err(result.err);
                failed = failed || result.failed;
                matched = matched || result.matched;
                progress.update(delivered);
            },
            [&](std::size_t done) {
                printer.flush();
                progress.update(done);
            });
    }
    progress.clear();
    if (options.find) return matched ? kExitOk : kExitUnreadable;
    return failed ? kExitUnreadable : kExitOk;
}

}  // namespace qvx::cli
