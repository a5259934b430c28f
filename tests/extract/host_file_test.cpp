// The host file writer: time and read-only flag set, nothing replaced unless asked, and nothing
// left behind, temporary or partial, whatever happens.
#include <gtest/gtest.h>

#include <filesystem>

#include "base/text.h"
#include "extract/archive.h"
#include "support/image_builder.h"

namespace qvx {
namespace {

namespace fs = std::filesystem;

std::size_t entriesIn(const std::string& folder) {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(folder), {}));
}

TEST(HostFile, WritesWholeFilesOnlyAndReplacesOnlyWhenAsked) {
    const std::string folder = test::scratchDir() + "/host-file";
    ASSERT_EQ(makeHostFolder(test::u16path(folder)), "");
    ASSERT_EQ(makeHostFolder(test::u16path(folder)), "");  // there already: fine
    const std::u16string path = hostPath(test::u16path(folder), u"a.prg");
    const std::vector<std::uint8_t> first{1, 2, 3}, second{4, 5};
    constexpr std::int64_t kTime = 567993600;  // 1988-01-01

    EXPECT_EQ(writeHostFile(path, first, kTime, true, false), "");
    EXPECT_EQ(test::readFile(toUtf8(path)), first);
    EXPECT_EQ(hostFileTime(path), kTime);
    const fs::perms perms = fs::status(toUtf8(path)).permissions();
    EXPECT_EQ(perms & fs::perms::owner_write, fs::perms::none);

    EXPECT_EQ(writeHostFile(path, second, kTime, false, false), kFileExists);
    EXPECT_EQ(test::readFile(toUtf8(path)), first);
    EXPECT_EQ(writeHostFile(path, second, kTime + 60, false, true), "");
    EXPECT_EQ(test::readFile(toUtf8(path)), second);
    EXPECT_EQ(hostFileTime(path), kTime + 60);
    EXPECT_EQ(entriesIn(folder), 1u);

    const std::u16string nowhere = hostPath(test::u16path(folder), u"missing/b.prg");
    EXPECT_NE(writeHostFile(nowhere, first, kTime, false, false), "");
    EXPECT_NE(makeHostFolder(hostPath(test::u16path(folder), u"x/y")), "");
    EXPECT_EQ(entriesIn(folder), 1u);
}

}  // namespace
}  // namespace qvx
