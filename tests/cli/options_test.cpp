// Command-line parsing of qvx and its colour decision.
#include "cli/options.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "base/text.h"

namespace qvx::cli {
namespace {

struct ParseCase {
    std::vector<std::u16string> args;
    Action action;
    int view;
    bool raw;
    bool trace;
    ColorWhen color;
    std::vector<std::u16string> paths;
};

TEST(ParseArguments, AcceptsEveryOptionForm) {
    const ParseCase cases[] = {
        {{u"a.d64"}, Action::Run, 0, false, false, ColorWhen::Auto, {u"a.d64"}},
        {{u"--view", u"2", u"a.d64"}, Action::Run, 2, false, false, ColorWhen::Auto, {u"a.d64"}},
        {{u"a.d64", u"--view=3"}, Action::Run, 3, false, false, ColorWhen::Auto, {u"a.d64"}},
        {{u"--raw", u"--trace", u"x"}, Action::Run, 0, true, true, ColorWhen::Auto, {u"x"}},
        {{u"--color", u"never", u"x"}, Action::Run, 0, false, false, ColorWhen::Never, {u"x"}},
        {{u"--color=always", u"x"}, Action::Run, 0, false, false, ColorWhen::Always, {u"x"}},
        {{u"--color=never", u"--color", u"auto", u"x"},
         Action::Run,
         0,
         false,
         false,
         ColorWhen::Auto,
         {u"x"}},
        {{u"--view", u"1", u"--view", u"0", u"x"},
         Action::Run,
         0,
         false,
         false,
         ColorWhen::Auto,
         {u"x"}},
        {{u"--", u"--raw"}, Action::Run, 0, false, false, ColorWhen::Auto, {u"--raw"}},
        {{u"-"}, Action::Run, 0, false, false, ColorWhen::Auto, {u"-"}},
        {{u"\u00E9t\u00E9 \U0001F600.d64"},
         Action::Run,
         0,
         false,
         false,
         ColorWhen::Auto,
         {u"\u00E9t\u00E9 \U0001F600.d64"}},
        {{u"a.d64", u"b.d64", u"dir"},
         Action::Run,
         0,
         false,
         false,
         ColorWhen::Auto,
         {u"a.d64", u"b.d64", u"dir"}},
        {{u"--help"}, Action::Help, 0, false, false, ColorWhen::Auto, {}},
        {{u"a", u"b", u"--help"}, Action::Help, 0, false, false, ColorWhen::Auto, {}},
        {{u"--version", u"x"}, Action::Version, 0, false, false, ColorWhen::Auto, {}},
    };
    for (const ParseCase& c : cases) {
        const ParsedCommand parsed = parseArguments(c.args);
        const std::string label = "arguments starting " + toUtf8(c.args.front());
        ASSERT_EQ(parsed.action, c.action) << label << ": " << parsed.error;
        if (c.action != Action::Run) continue;
        EXPECT_EQ(parsed.options.view, c.view) << label;
        EXPECT_EQ(parsed.options.raw, c.raw) << label;
        EXPECT_EQ(parsed.options.trace, c.trace) << label;
        EXPECT_EQ(parsed.options.color, c.color) << label;
        EXPECT_EQ(parsed.options.paths, c.paths) << label;
    }
}

struct CollectionCase {
    std::vector<std::u16string> args;
    bool recursive;
    bool json;
    std::optional<std::u16string> find;
    std::vector<std::u16string> paths;
    std::optional<std::u16string> extract = std::nullopt;
};

TEST(ParseArguments, TakesTheCollectionOptions) {
    const CollectionCase cases[] = {
        {{u"dir"}, false, false, std::nullopt, {u"dir"}},
        {{u"-r", u"dir"}, true, false, std::nullopt, {u"dir"}},
        {{u"a", u"--recursive", u"b"}, true, false, std::nullopt, {u"a", u"b"}},
        {{u"--json", u"-r", u"a"}, true, true, std::nullopt, {u"a"}},
        {{u"--find", u"GAME*", u"a"}, false, false, u"GAME*", {u"a"}},
        {{u"--find=g?me", u"--json", u"a"}, false, true, u"g?me", {u"a"}},
        {{u"--find", u"-r", u"a"}, false, false, u"-r", {u"a"}},
        {{u"--find=", u"a"}, false, false, u"", {u"a"}},
        {{u"--", u"-r", u"--json"}, false, false, std::nullopt, {u"-r", u"--json"}},
        {{u"--extract", u"out", u"--p00", u"--force", u"--find", u"A*", u"--json", u"a", u"b"},
         false,
         true,
         u"A*",
         {u"a", u"b"},
         u"out"},
        {{u"--extract=-r", u"a"}, false, false, std::nullopt, {u"a"}, u"-r"},
    };
    for (const CollectionCase& c : cases) {
        const ParsedCommand parsed = parseArguments(c.args);
        const std::string label = "arguments starting " + toUtf8(c.args.front());
        ASSERT_EQ(parsed.action, Action::Run) << label << ": " << parsed.error;
        EXPECT_EQ(parsed.options.recursive, c.recursive) << label;
        EXPECT_EQ(parsed.options.json, c.json) << label;
        EXPECT_EQ(parsed.options.find, c.find) << label;
        EXPECT_EQ(parsed.options.paths, c.paths) << label;
        EXPECT_EQ(parsed.options.extract, c.extract) << label;
        EXPECT_EQ(parsed.options.p00 && parsed.options.force, c.extract == u"out") << label;
        EXPECT_EQ(parsed.options.extract, c.extract) << label;
        EXPECT_EQ(parsed.options.p00 && parsed.options.force, c.extract == u"out") << label;
    }
}

struct ErrorCase {
    std::vector<std::u16string> args;
    const char* errorPart;
};

TEST(ParseArguments, RejectsUsageErrors) {
    const ErrorCase cases[] = {
        {{}, "no PATH"},
        {{u"--raw"}, "no PATH"},
        {{u"-r", u"--json"}, "no PATH"},
        {{u"--json", u"--raw", u"a"}, "--json takes no --view or --raw"},
        {{u"--view=1", u"--json", u"a"}, "--json takes no --view or --raw"},
        {{u"--find", u"x", u"--view", u"2", u"a"}, "--view 0 or 1 only"},
        {{u"a", u"--find"}, "'--find' needs a value"},
        {{u"-R", u"a"}, "unknown option '-R'"},
        {{u"--json=1", u"a"}, "unknown option '--json=1'"},
        {{u"--bogus", u"a"}, "unknown option '--bogus'"},
        {{u"-v", u"a"}, "unknown option '-v'"},
        {{u"--raw=1", u"a"}, "unknown option '--raw=1'"},
        {{u"--view", u"4", u"a"}, "bad view '4'"},
        {{u"--view", u"-1", u"a"}, "bad view '-1'"},
        {{u"--view", u"01", u"a"}, "bad view '01'"},
        {{u"--view=", u"a"}, "bad view ''"},
        {{u"--view", u"a.d64"}, "bad view 'a.d64'"},
        {{u"a", u"--view"}, "'--view' needs a value"},
        {{u"--color", u"sometimes", u"a"}, "bad --color 'sometimes'"},
        {{u"--color=ALWAYS", u"a"}, "bad --color 'ALWAYS'"},
        {{u"a", u"--color"}, "'--color' needs a value"},
        {{u"--bogus", u"--help"}, "unknown option '--bogus'"},
        {{u"--p00", u"a"}, "--p00 and --force go with --extract"},
        {{u"--force", u"a"}, "--p00 and --force go with --extract"},
        {{u"--extract", u"out", u"-r", u"a"}, "--extract writes files"},
        {{u"--extract=out", u"--view", u"1", u"a"}, "--extract writes files"},
        {{u"--extract=", u"a"}, "--extract needs a folder"},
        {{u"--extract", u"out"}, "no PATH"},
        {{u"--png", u"", u"a"}, "--png needs a file name"},
        {{u"a", u"--png"}, "'--png' needs a value"},
        {{u"--png", u"x.png", u"--scale", u"0", u"a"}, "bad --scale '0' (1 to 8)"},
        {{u"--png", u"x.png", u"--scale=9", u"a"}, "bad --scale '9'"},
        {{u"--png=x.png", u"--scale", u"2x", u"a"}, "bad --scale '2x'"},
        {{u"--scale", u"2", u"a"}, "--scale goes with --png"},
        {{u"--raw", u"--png", u"x.png", u"a"}, "not both"},
        {{u"--png", u"x.png", u"a", u"b"}, "--png draws one IMAGE"},
        {{u"--png", u"x.png", u"-r", u"a"}, "--png draws one IMAGE"},
        {{u"--png", u"x.png", u"--json", u"a"}, "--png draws one IMAGE"},
    };
    for (const ErrorCase& c : cases) {
        const ParsedCommand parsed = parseArguments(c.args);
        EXPECT_EQ(parsed.action, Action::UsageError) << c.errorPart;
        EXPECT_NE(parsed.error.find(c.errorPart), std::string::npos)
            << "expected '" << c.errorPart << "' in '" << parsed.error << "'";
    }
}

TEST(ParseArguments, TakesThePictureAndItsScale) {
    struct Case {
        std::vector<std::u16string> args;
        std::u16string png;
        int scale;
    };
    const Case cases[] = {
        {{u"a.d64"}, u"", 1},
        {{u"--png", u"out.png", u"a.d64"}, u"out.png", 1},
        {{u"--png=-", u"--scale=3", u"a.d64"}, u"-", 3},
        {{u"--scale", u"8", u"--png", u"p.png", u"a.d64"}, u"p.png", 8},
        {{u"--png", u"--view", u"a.d64"}, u"--view", 1},  // a value, however it looks
    };
    for (const Case& c : cases) {
        const ParsedCommand parsed = parseArguments(c.args);
        ASSERT_EQ(parsed.action, Action::Run) << parsed.error;
        EXPECT_EQ(parsed.options.png, c.png);
        EXPECT_EQ(parsed.options.scale, c.scale);
        EXPECT_EQ(parsed.options.paths, std::vector<std::u16string>{u"a.d64"});
    }
}

TEST(HelpText, StartsWithTheUsageLineAndNamesEveryOption) {
    const std::string help = helpText();
    EXPECT_EQ(help.rfind(std::string(kUsageLine), 0), 0u);
    for (const char* option :
         {"--view", "--raw", "--trace", "--color", "--png", "--scale", "-r", "--recursive",
          "--json", "--find", "--help", "--version", "D64, D71"})
        EXPECT_NE(help.find(option), std::string::npos) << option;
}

struct ColorCase {
    ColorWhen when;
    bool terminal;
    const char* noColor;
    bool expected;
};

TEST(UseColor, FollowsWhenTerminalAndNoColor) {
    const ColorCase cases[] = {
        {ColorWhen::Auto, true, nullptr, true},    {ColorWhen::Auto, false, nullptr, false},
        {ColorWhen::Auto, true, "1", false},       {ColorWhen::Auto, true, "", true},
        {ColorWhen::Auto, false, "", false},       {ColorWhen::Always, false, nullptr, true},
        {ColorWhen::Always, true, "1", true},      {ColorWhen::Never, true, nullptr, false},
        {ColorWhen::Never, false, nullptr, false},
    };
    for (const ColorCase& c : cases) {
        EXPECT_EQ(useColor(c.when, c.terminal, c.noColor), c.expected)
            << "when " << int(c.when) << ", terminal " << c.terminal << ", NO_COLOR "
            << (c.noColor ? c.noColor : "(unset)");
    }
}

}  // namespace
}  // namespace qvx::cli
