// The qvx command line: what to show and how.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qvx::cli {

enum class ColorWhen { Auto, Always, Never };

struct Options {
    int view = 0;  // 0 listing, 1 listing in the second set, 2 BAM map, 3 error map
    bool raw = false;
    bool trace = false;
    ColorWhen color = ColorWhen::Auto;
    std::u16string png;      // --png: the picture's file, "-" for standard output; empty: text
    int scale = 1;           // --scale: pixels a side of each glyph pixel in the picture
    bool recursive = false;  // into the folders of folders, never through a symbolic link
    bool json = false;       // one JSON object per image (or per match) and line
    std::optional<std::u16string> find;     // the name pattern, when entries are sought
    std::optional<std::u16string> extract;  // --extract: the folder the files go into
    bool p00 = false;                       // --p00: every file as a PC64 container
    bool force = false;                     // --force: existing files are replaced
    std::vector<std::u16string> paths;      // images and folders, as given
};

enum class Action { Run, Help, Version, UsageError };

struct ParsedCommand {
    Action action = Action::Run;
    Options options;
    std::string error;  // what was wrong, for UsageError
};

constexpr std::string_view kUsageLine =
    "usage: qvx [--view N] [--raw] [--trace] [--color WHEN] [--png FILE [--scale N]] [-r] "
    "[--json] [--find PATTERN] PATH...\n"
    "       qvx --extract DIR [--find PATTERN] [--p00] [--force] [--json] [--trace] IMAGE...\n";

constexpr int kMaxScale = 8;

// Parses the arguments after the program name. "--" ends the options; "--view=N",
// "--color=WHEN", "--png=FILE", "--scale=N", "--find=PATTERN" and "--extract=DIR" are accepted as
// well as the two-word forms.
ParsedCommand parseArguments(const std::vector<std::u16string>& args);

// The text --help prints.
std::string helpText();

// Whether reverse video is written: auto means a terminal, unless NO_COLOR is set and non-empty.
bool useColor(ColorWhen when, bool stdoutIsTerminal, const char* noColor);

}  // namespace qvx::cli
