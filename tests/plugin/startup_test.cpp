// Start-up of the module: where it takes its module directory from, and where the font is found.
#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

#include "plugin_harness.h"
#include "support/image_builder.h"

namespace qvx::test {
namespace {

const std::string kDllPathLine = "QVX: AttachProcess - dll path is ";
const std::string kFailedLine = "QVX: AttachProcess - 'GetDllDirectory' failed, code=";
const std::string kAddFontLine = "QVX: ListLoad - AddFont=";

bool isDecimal(const std::string& text) {
    if (text.empty()) return false;
    std::size_t start = text[0] == '-' ? 1 : 0;
    if (start == text.size()) return false;
    for (std::size_t i = start; i < text.size(); ++i)
        if (!std::isdigit(static_cast<unsigned char>(text[i]))) return false;
    return true;
}

bool startsWith(const std::string& text, const std::string& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

TEST(StartUp, TakesTheDllDirectoryAsModuleDirectory) {
    const Plugin& p = plugin();
    EXPECT_EQ(p.startupLines, std::vector<std::string>{kDllPathLine + toAnsi(pluginFolder())});
}

TEST(StartUp, WithoutDllDirectoryFallsBackToTheModuleFolder) {
    plugin();
    ChildRun run = runChild({u"--child", u"--load", pluginPath()});
    ASSERT_EQ(run.exitCode, 0u);
    ASSERT_EQ(run.lines.size(), 2u) << ::testing::PrintToString(run.lines);
    // With no directory set the call answers 0 and sets no error of its own.
    EXPECT_EQ(run.lines[0], kFailedLine + "0");
    EXPECT_EQ(run.lines[1], kDllPathLine + toAnsi(pluginFolder()));
}

TEST(StartUp, TakesALongDllDirectoryWhole) {
    plugin();
    // Longer than the 260 characters a first look at the directory takes.
    std::u16string directory = fromAnsi(windowsPath(scratchDir()));
    while (directory.size() < 300) directory += u"\\a-rather-long-folder-name";
    ChildRun run = runChild({u"--child", u"--load", pluginPath(), u"--dll-dir", directory});
    ASSERT_EQ(run.exitCode, 0u);
    EXPECT_EQ(run.lines, std::vector<std::string>{kDllPathLine + toAnsi(directory)});
}

// The font file is the module directory's C64_Pro_Mono-STYLE.ttf, registered by every load.
TEST(StartUp, RegistersTheFontFromTheModuleDirectory) {
    plugin();
    // Any TrueType font does for the file; the build puts one beside this program.
    std::u16string font = programFolder() + u"\\stand-in-font.ttf";
    if (GetFileAttributesW(wide(font)) == INVALID_FILE_ATTRIBUTES)
        GTEST_SKIP() << "the build found no TrueType font to stand in";

    std::string withFont = scratchDir();
    ASSERT_TRUE(CopyFileW(
        wide(font), wide(fromAnsi(windowsPath(withFont + "/C64_Pro_Mono-STYLE.ttf"))), FALSE));
    std::string withoutFont = scratchDir();
    std::string missing = windowsPath(scratchDir() + "/missing.d64");

    struct Case {
        std::string directory;
        bool fontThere;
    };
    for (const Case& c : {Case{withFont, true}, Case{withoutFont, false}}) {
        SCOPED_TRACE(c.directory);
        ChildRun run = runChild({u"--child", u"--load", pluginPath(), u"--dll-dir",
                                 fromAnsi(windowsPath(c.directory)), u"--open", fromAnsi(missing)});
        ASSERT_EQ(run.exitCode, 0u);
        ASSERT_GE(run.lines.size(), 3u);
        EXPECT_EQ(run.lines[0], kDllPathLine + windowsPath(c.directory));
        EXPECT_EQ(run.lines[1], "QVX: ListLoad - called for '" + missing + "'; flags=$0");
        ASSERT_TRUE(startsWith(run.lines[2], kAddFontLine)) << run.lines[2];
        std::string added = run.lines[2].substr(kAddFontLine.size());
        ASSERT_TRUE(isDecimal(added)) << run.lines[2];
        if (c.fontThere) {
            EXPECT_GT(std::stoi(added), 0);
        } else {
            EXPECT_EQ(added, "0");
        }
    }
}

}  // namespace
}  // namespace qvx::test
