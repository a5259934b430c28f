// Command-line parsing for qvx.
#include "cli/options.h"

#include <optional>

#include "base/text.h"
#include "render/detect_extensions.h"

namespace qvx::cli {
namespace {

std::optional<int> parseView(std::u16string_view value) {
    if (value.size() != 1 || value[0] < u'0' || value[0] > u'3') return std::nullopt;
    return value[0] - u'0';
}

std::optional<int> parseScale(std::u16string_view value) {
    if (value.size() != 1 || value[0] < u'1' || value[0] > u'0' + kMaxScale) return std::nullopt;
    return value[0] - u'0';
}

std::optional<ColorWhen> parseColor(std::u16string_view value) {
    if (value == u"auto") return ColorWhen::Auto;
    if (value == u"always") return ColorWhen::Always;
    if (value == u"never") return ColorWhen::Never;
    return std::nullopt;
}

ParsedCommand usageError(std::string message) {
    ParsedCommand result;
    result.action = Action::UsageError;
    result.error = std::move(message);
    return result;
}

std::string quoted(std::u16string_view text) {
    return "'" + readablePath(text) + "'";
}

}  // namespace

ParsedCommand parseArguments(const std::vector<std::u16string>& args) {
    ParsedCommand result;
    std::vector<std::u16string>& paths = result.options.paths;
    bool optionsEnded = false;
    bool scaleGiven = false;

    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::u16string& arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != u'-') {
            paths.push_back(arg);
            continue;
        }
        if (arg == u"--") {
            optionsEnded = true;
            continue;
        }

        std::u16string_view name = arg;
        std::optional<std::u16string_view> inlineValue;
        if (auto eq = name.find(u'='); eq != std::u16string_view::npos) {
            inlineValue = name.substr(eq + 1);
            name = name.substr(0, eq);
        }
        const bool takesValue = name == u"--view" || name == u"--color" || name == u"--png" ||
                                name == u"--scale" || name == u"--find" || name == u"--extract";
        if (inlineValue && !takesValue) return usageError("unknown option " + quoted(arg));

        std::u16string_view value;
        if (takesValue) {
            if (inlineValue) {
                value = *inlineValue;
            } else if (i + 1 < args.size()) {
                value = args[++i];
            } else {
                return usageError("option " + quoted(name) + " needs a value");
            }
        }

        if (name == u"--help") {
            result.action = Action::Help;
            return result;
        }
        if (name == u"--version") {
            result.action = Action::Version;
            return result;
        }
        if (name == u"--raw") {
            result.options.raw = true;
        } else if (name == u"--trace") {
            result.options.trace = true;
        } else if (name == u"-r" || name == u"--recursive") {
            result.options.recursive = true;
        } else if (name == u"--json") {
            result.options.json = true;
        } else if (name == u"--find") {
            result.options.find = std::u16string(value);
        } else if (name == u"--extract") {
            if (value.empty()) return usageError("--extract needs a folder");
            result.options.extract = std::u16string(value);
        } else if (name == u"--p00") {
            result.options.p00 = true;
        } else if (name == u"--force") {
            result.options.force = true;
        } else if (name == u"--view") {
            auto view = parseView(value);
            if (!view) return usageError("bad view " + quoted(value) + " (0 to 3)");
            result.options.view = *view;
        } else if (name == u"--color") {
            auto color = parseColor(value);
            if (!color)
                return usageError("bad --color " + quoted(value) + " (auto, always, never)");
            result.options.color = *color;
        } else if (name == u"--png") {
            if (value.empty()) return usageError("--png needs a file name");
            result.options.png = value;
        } else if (name == u"--scale") {
            auto scale = parseScale(value);
            if (!scale)
                return usageError("bad --scale " + quoted(value) + " (1 to " +
                                  std::to_string(kMaxScale) + ")");
            result.options.scale = *scale;
            scaleGiven = true;
        } else {
            return usageError("unknown option " + quoted(arg));
        }
    }

    const Options& o = result.options;
    if ((o.p00 || o.force) && !o.extract) return usageError("--p00 and --force go with --extract");
    if (o.extract && (!o.png.empty() || o.raw || o.recursive || o.view != 0))
        return usageError("--extract writes files: no --png, --raw, -r or --view");
    if (scaleGiven && o.png.empty()) return usageError("--scale goes with --png");
    if (o.raw && !o.png.empty()) return usageError("--raw writes text, --png a picture: not both");
    if (paths.empty()) return usageError("no PATH given");
    if (!o.png.empty() && (paths.size() > 1 || o.recursive || o.json || o.find))
        return usageError("--png draws one IMAGE: no more paths, -r, --json or --find");
    if (o.json && (o.raw || o.view != 0)) return usageError("--json takes no --view or --raw");
    if (o.find && o.view > 1) return usageError("--find shows entry lines: --view 0 or 1 only");
    return result;
}

std::string helpText() {
    return std::string(kUsageLine) +
           "\n"
           "Prints what the QVX viewer shows for Commodore disk images (" +
           extensionList() +
           ")\n"
           "and single files (PRG, SEQ, USR; PC64 P00, S00, U00, R00 and on).\n"
           "A PATH that is a folder stands for the images in it, sorted by name: the files\n"
           "whose extension is one of those; other files are skipped.\n"
           "\n"
           "  --view N         0 listing (default), 1 listing in the lower-case set,\n"
           "                   2 BAM map, 3 error map (images with error bytes, and G64);\n"
           "                   for a single file 0 and 1 its BASIC listing, 6502 or text,\n"
           "                   2 hex, 3 6502 (programs only)\n"
           "  --raw            the viewer's text byte for byte as UTF-8: font code points\n"
           "                   unmapped, carriage returns kept\n"
           "  --trace          the trace lines of the run on standard error\n"
           "  --color WHEN     reverse video: auto (default; terminals, unless NO_COLOR is\n"
           "                   set), always or never\n"
           "  --png FILE       the view as a PNG picture instead, in the viewer's colours,\n"
           "                   8 x 8 pixels a character; FILE - is standard output (Linux\n"
           "                   only); one IMAGE only\n"
           "  --scale N        each pixel of the picture N x N (1 to 8, default 1)\n"
           "  -r, --recursive  also the images in folders inside folders (symbolic links to\n"
           "                   folders are not followed)\n"
           "  --json           one JSON object per image and line: type, header, entries,\n"
           "                   blocks free, error counts, problems (see qvx(1))\n"
           "  --find PATTERN   the entries whose names match, with the drive's wildcards:\n"
           "                   * the rest of the name, ? one character; letters in any case\n"
           "  --extract DIR    copies the files of each IMAGE into DIR (of several images,\n"
           "                   each into a folder of its own under DIR, named after it):\n"
           "                   PRG, SEQ, USR, DEL as stored, REL as PC64 (.r00), GEOS\n"
           "                   files in Convert form (.cvt); with --find only the matches\n"
           "  --p00            with --extract: every file but GEOS ones as a PC64 container\n"
           "                   (.p00 .s00 .u00 .d00 .r00), which keeps the exact name\n"
           "  --force          with --extract: existing files are replaced (else skipped)\n"
           "  --help           this text\n"
           "  --version        the version\n"
           "\n"
           "With one IMAGE and none of -r, --json, --find, only its text is printed; else\n"
           "each image's text follows a line \"==> PATH <==\", and each match of --find is\n"
           "printed as PATH:ENTRY LINE. A single file is shown only as the one PATH; among\n"
           "several, or with --json or --find, it counts as no readable disk image.\n"
           "\n"
           "Exit status: 0 done, 1 an image that is no readable disk image or was read\n"
           "with problems (or has no error map for --view 3, or a folder held no image, or\n"
           "no picture was written); with --find 0 when an entry matched, 1 when none did;\n"
           "with --extract 0 when every file came out whole, 1 when any did not (damaged,\n"
           "unreadable sectors, skipped, not written; each is named with why on standard\n"
           "error), an IMAGE is no readable disk image or no file matched --find;\n"
           "2 usage error.\n";
}

bool useColor(ColorWhen when, bool stdoutIsTerminal, const char* noColor) {
    switch (when) {
        case ColorWhen::Always:
            return true;
        case ColorWhen::Never:
            return false;
        case ColorWhen::Auto:
            break;
    }
    if (noColor != nullptr && noColor[0] != '\0') return false;
    return stdoutIsTerminal;
}

}  // namespace qvx::cli
