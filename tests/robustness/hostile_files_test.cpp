// Names that are no image file (a folder, a FIFO, a symbolic link loop, a device, a file of more
// than 4 GiB), a file this user may not read, and a path longer than any Windows limit: through
// the load routine and through the qvx program, each must give its trace lines and an answer.
#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "base/text.h"
#include "hostile_images.h"
#include "load_run.h"
#include "support/image_builder.h"

namespace qvx::test {
namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::u16string>;

constexpr std::uint64_t kFourGiB = std::uint64_t{1} << 32;
constexpr uid_t kNobody = 65534;

struct NotAnImage {
    const char* what;
    std::function<void(const std::string& path)> make;
    bool opens;  // the file layer opens it (a regular file of no image size)
};

const NotAnImage kNotImages[] = {
    {"a folder", [](const std::string& p) { fs::create_directory(fs::u8path(p)); }, false},
    {"a FIFO without a writer",
     [](const std::string& p) { ASSERT_EQ(::mkfifo(p.c_str(), 0644), 0); }, false},
    {"a symbolic link loop",
     [](const std::string& p) {
         fs::create_symlink(fs::u8path(p + ".other.d64"), fs::u8path(p));
         fs::create_symlink(fs::u8path(p), fs::u8path(p + ".other.d64"));
     },
     false},
    {"a dangling symbolic link",
     [](const std::string& p) { fs::create_symlink(fs::u8path(p + ".gone"), fs::u8path(p)); },
     false},
    {"a link to a character device",
     [](const std::string& p) { fs::create_symlink("/dev/zero", fs::u8path(p)); }, false},
    {"a sparse file of 4 GiB and a D64's size",
     [](const std::string& p) { sizedFile(p, kFourGiB + 174848); }, true},
    {"a sparse file of 4 GiB and a D82's size with error bytes",
     [](const std::string& p) { sizedFile(p, kFourGiB + 1070662); }, true},
    {"an empty file", [](const std::string& p) { writeFile(p, {}); }, true},
};

TEST(NotAnImage, TheLoadTracesWhyAndLeavesEverythingEmpty) {
    for (const NotAnImage& c : kNotImages) {
        SCOPED_TRACE(c.what);
        const std::string path = scratchDir() + "/x.d64";
        c.make(path);
        const LoadRun run = loadRun(path);
        EXPECT_EQ(run.lines, undeterminedLines(path, c.opens));
        EXPECT_EQ(run.image.type, kTypeUnknown);
        EXPECT_EQ(run.image.hasErrorBytes, 0);
        EXPECT_TRUE(run.image.dirEntries.empty());
        EXPECT_TRUE(run.image.bamTracks.empty());
        EXPECT_EQ(run.listing, u"");
        EXPECT_EQ(run.secondSet, u"");
        EXPECT_EQ(run.image.bamMapText, u"");
        EXPECT_EQ(run.image.errorMapText, u"");
        EXPECT_TRUE(run.image.errorBytes.empty());
    }
}

TEST(NotAnImage, QvxSaysItIsNoImageForEveryView) {
    for (const NotAnImage& c : kNotImages) {
        SCOPED_TRACE(c.what);
        const std::string path = scratchDir() + "/x.d64";
        c.make(path);
        for (int view = 0; view < 4; ++view) {
            SCOPED_TRACE("view " + std::to_string(view));
            const ProgramResult r = runQvx({"--trace", "--view", std::to_string(view), path});
            // A folder is taken as one, whatever its name: this one holds no image.
            if (std::error_code e; fs::is_directory(fs::u8path(path), e)) {
                EXPECT_EQ(r.status, 1);
                EXPECT_EQ(r.out + r.err, "qvx: " + path + ": no disk image in this folder\n");
                continue;
            }
            Lines lines = undeterminedLines(path, c.opens);
            if (view == 1) lines.push_back(u"setupString - empty list");  // the second listing
            EXPECT_EQ(r.status, 1);
            EXPECT_EQ(r.out, "");
            // Then the one line that says why.
            const std::string said =
                asStderr(lines) + "qvx: " + path + ": not a readable disk image: ";
            EXPECT_EQ(r.err.rfind(said, 0), 0u) << r.err;
            EXPECT_EQ(r.err.find('\n', said.size()), r.err.size() - 1) << r.err;
        }
    }
}

// A file name beyond the 255 bytes a folder entry holds: neither its size nor the file is had.
TEST(NotAnImage, NameLongerThanAFolderEntryHolds) {
    const std::string path = scratchDir() + "/" + std::string(300, 'n') + ".d64";
    const LoadRun run = loadRun(path);
    EXPECT_EQ(run.lines, undeterminedLines(path, false));
    EXPECT_EQ(run.listing, u"");
    const ProgramResult r = runQvx({path});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "qvx: " + path +
                         ": not a readable disk image: there is no file of that name, or it is a "
                         "folder or a device\n");
}

// What the readers write when the file is there, of a known size, but cannot be opened.
Lines openFailureLines(const std::string& path, bool errorBytes) {
    const std::u16string name = u16path(path);
    Lines lines = {u"getDirEntries - type is <d64>\n",
                   u"getDirEntries - can't open file <" + name + u">\n",
                   u"getBAMEntries - can't open file <" + name + u">\n"};
    if (errorBytes) lines.push_back(u"getErrorData - can't open file <" + name + u">");
    lines.push_back(u"setupString - empty list");
    return lines;
}

// The load's lines and what it made, as one text, so that a child can hand them over.
std::string describe(const LoadRun& run) {
    std::string out = asStderr(run.lines);
    out += "type " + std::to_string(run.image.type) + " errorBytes " +
           std::to_string(run.image.errorBytes.size()) + " entries " +
           std::to_string(run.image.dirEntries.size()) + " listing " +
           std::to_string(run.listing.size()) + "\n";
    return out;
}

std::string expectedDescription(const std::string& path, bool errorBytes) {
    return asStderr(openFailureLines(path, errorBytes)) + "type 0 errorBytes " +
           std::to_string(errorBytes ? 683 : 0) + " entries 0 listing 0\n";
}

// Runs the load in a child that has become user and group nobody; returns what it described,
// and its wait status.
std::string loadAsNobody(const std::string& path, int& status) {
    int pipeFds[2];
    if (::pipe(pipeFds) != 0) throw std::runtime_error("pipe");
    const pid_t child = ::fork();
    if (child < 0) throw std::runtime_error("fork");
    if (child == 0) {
        ::close(pipeFds[0]);
        if (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)
            ::_exit(10);
        // The permission must now hold, or the test would prove nothing.
        if (::access(path.c_str(), R_OK) == 0) ::_exit(11);
        const std::string text = describe(loadRun(path));
        const bool written =
            ::write(pipeFds[1], text.data(), text.size()) == static_cast<ssize_t>(text.size());
        ::_exit(written ? 0 : 12);
    }
    ::close(pipeFds[1]);
    std::string got;
    char buffer[4096];
    for (ssize_t n; (n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0;)
        got.append(buffer, static_cast<std::size_t>(n));
    ::close(pipeFds[0]);
    ::waitpid(child, &status, 0);
    return got;
}

// stat needs no read permission, so the type is still known; every open fails.
TEST(UnreadableFile, EveryReaderReportsItsOpenFailure) {
    for (bool errorBytes : {false, true}) {
        SCOPED_TRACE(errorBytes ? "with error bytes" : "without error bytes");
        const std::string dir = scratchDir();
        const std::string path = wellFormedImage(kTypeD64, errorBytes).write(dir + "/locked.d64");
        fs::permissions(fs::u8path(path), fs::perms::none);
        // Another user must reach the file to be refused by it.
        const auto reachable = fs::perms::owner_all | fs::perms::group_exec |
                               fs::perms::group_read | fs::perms::others_exec |
                               fs::perms::others_read;
        fs::permissions(fs::u8path(dir), reachable);
        fs::permissions(fs::u8path(dir).parent_path(), reachable);

        if (::geteuid() == 0) {
            int status = 0;
            const std::string got = loadAsNobody(path, status);
            ASSERT_TRUE(WIFEXITED(status)) << "the child ended with status " << status;
            ASSERT_EQ(WEXITSTATUS(status), 0) << "10: no privileges dropped, 11: still readable";
            EXPECT_EQ(got, expectedDescription(path, errorBytes));
        } else {
            if (::access(path.c_str(), R_OK) == 0)
                GTEST_SKIP() << "permissions do not stop reads on this file system";
            EXPECT_EQ(describe(loadRun(path)), expectedDescription(path, errorBytes));
        }
    }
}

// 300 characters, each folder name under the usual 255-byte limit.
std::string longFolder(std::size_t atLeast) {
    std::string dir = scratchDir();
    for (char c = 'a'; dir.size() < atLeast; ++c) dir += "/" + std::string(60, c);
    fs::create_directories(fs::u8path(dir));
    return dir;
}

TEST(LongPath, AnImageBehind300CharactersIsListed) {
    const std::string path =
        wellFormedImage(kTypeD81, true).write(longFolder(300) + "/long path image.d81");
    ASSERT_GT(path.size(), 300u);
    const LoadRun run = loadRun(path);
    EXPECT_EQ(run.image.type, kTypeD81);
    EXPECT_EQ(run.image.dirEntries.size(), 3u);
    EXPECT_EQ(run.lines, (Lines{u"getDirEntries - type is <d81>\n",
                                u"getDirEntries - reading dir sector 3, entry 1",
                                u"getDirEntries - reading dir sector 3, entry 2",
                                u"getErrorData - 3200 error bytes successfully read."}));
    const ProgramResult r = runQvx({"--raw", path});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, toUtf8(run.listing));
}

}  // namespace
}  // namespace qvx::test
