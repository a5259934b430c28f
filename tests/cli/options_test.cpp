// Command-line parsing of qvx and its colour decision.
#include "cli/options.h"

#include <gtest/gtest.h>

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
    std::u16string image;
};

TEST(ParseArguments, AcceptsEveryOptionForm) {
    const ParseCase cases[] = {
        {{u"a.d64"}, Action::Run, 0, false, false, ColorWhen::Auto, u"a.d64"},
        {{u"--view", u"2", u"a.d64"}, Action::Run, 2, false, false, ColorWhen::Auto, u"a.d64"},
        {{u"a.d64", u"--view=3"}, Action::Run, 3, false, false, ColorWhen::Auto, u"a.d64"},
        {{u"--raw", u"--trace", u"x"}, Action::Run, 0, true, true, ColorWhen::Auto, u"x"},
        {{u"--color", u"never", u"x"}, Action::Run, 0, false, false, ColorWhen::Never, u"x"},
        {{u"--color=always", u"x"}, Action::Run, 0, false, false, ColorWhen::Always, u"x"},
        {{u"--color=never", u"--color", u"auto", u"x"},
         Action::Run,
         0,
         false,
         false,
         ColorWhen::Auto,
         u"x"},
        {{u"--view", u"1", u"--view", u"0", u"x"},
         Action::Run,
         0,
         false,
         false,
         ColorWhen::Auto,
         u"x"},
        {{u"--", u"--raw"}, Action::Run, 0, false, false, ColorWhen::Auto, u"--raw"},
        {{u"-"}, Action::Run, 0, false, false, ColorWhen::Auto, u"-"},
        {{u"\u00E9t\u00E9 \U0001F600.d64"},
         Action::Run,
         0,
         false,
         false,
         ColorWhen::Auto,
         u"\u00E9t\u00E9 \U0001F600.d64"},
        {{u"--help"}, Action::Help, 0, false, false, ColorWhen::Auto, u""},
        {{u"a", u"b", u"--help"}, Action::Help, 0, false, false, ColorWhen::Auto, u""},
        {{u"--version", u"x"}, Action::Version, 0, false, false, ColorWhen::Auto, u""},
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
        EXPECT_EQ(parsed.options.image, c.image) << label;
    }
}

struct ErrorCase {
    std::vector<std::u16string> args;
    const char* errorPart;
};

TEST(ParseArguments, RejectsUsageErrors) {
    const ErrorCase cases[] = {
        {{}, "no IMAGE"},
        {{u"--raw"}, "no IMAGE"},
        {{u"a", u"b"}, "only one IMAGE"},
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
        {{u"--png", u"", u"a"}, "--png needs a file name"},
        {{u"a", u"--png"}, "'--png' needs a value"},
        {{u"--png", u"x.png", u"--scale", u"0", u"a"}, "bad --scale '0' (1 to 8)"},
        {{u"--png", u"x.png", u"--scale=9", u"a"}, "bad --scale '9'"},
        {{u"--png=x.png", u"--scale", u"2x", u"a"}, "bad --scale '2x'"},
        {{u"--scale", u"2", u"a"}, "--scale goes with --png"},
        {{u"--raw", u"--png", u"x.png", u"a"}, "not both"},
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
        EXPECT_EQ(parsed.options.image, u"a.d64");
    }
}

TEST(HelpText, StartsWithTheUsageLineAndNamesEveryOption) {
    const std::string help = helpText();
    EXPECT_EQ(help.rfind(std::string(kUsageLine), 0), 0u);
    for (const char* option :
         {"--view", "--raw", "--trace", "--color", "--png", "--scale", "--help", "--version"})
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
