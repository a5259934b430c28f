// The built qvx.wlx as the host loads it: its exports, the detect string, and a ListLoad in a
// process that has no toolkit, which must trace why and return null rather than crash.
#include <dlfcn.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

constexpr char kModule[] = QVX_DOUBLECMD_FOLDER "/qvx.wlx";
constexpr char kDetect[] =
    R"(EXT="D64" | EXT="D71" | EXT="D80" | EXT="D81" | EXT="D82" | EXT="G64" | EXT="PRG" | )"
    R"(EXT="SEQ" | EXT="USR" | EXT="P00" | EXT="S00" | EXT="U00" | EXT="R00")";

using ListLoad = void* (*)(void*, char*, int);
using ListLoadNext = int (*)(void*, void*, char*, int);
using ListCloseWindow = void (*)(void*);
using ListGetDetectString = void (*)(char*, int);
using ListSendCommand = int (*)(void*, int, int);
using ListSearchText = int (*)(void*, char*, int);
using ListSearchTextW = int (*)(void*, std::uint16_t*, int);

// Standard error of everything run, as the host's would carry it.
class StderrCapture {
  public:
    StderrCapture() : file_(std::tmpfile()), saved_(dup(STDERR_FILENO)) {
        std::fflush(stderr);
        dup2(fileno(file_), STDERR_FILENO);
    }
    ~StderrCapture() {
        dup2(saved_, STDERR_FILENO);
        close(saved_);
        std::fclose(file_);
    }
    StderrCapture(const StderrCapture&) = delete;
    StderrCapture& operator=(const StderrCapture&) = delete;

    std::string text() {
        std::fflush(stderr);
        std::string all;
        std::rewind(file_);
        char buffer[4096];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, file_)) > 0;)
            all.append(buffer, n);
        return all;
    }

  private:
    std::FILE* file_;
    int saved_;
};

template <typename Function>
Function entry(void* module, const char* name) {
    return reinterpret_cast<Function>(dlsym(module, name));
}

TEST(LinuxModule, WithoutAToolkitTracesWhyAndShowsNothing) {
    StderrCapture err;
    void* module = dlopen(kModule, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(module, nullptr) << dlerror();
    auto load = entry<ListLoad>(module, "ListLoad");
    auto next = entry<ListLoadNext>(module, "ListLoadNext");
    auto close = entry<ListCloseWindow>(module, "ListCloseWindow");
    auto send = entry<ListSendCommand>(module, "ListSendCommand");
    auto search = entry<ListSearchText>(module, "ListSearchText");
    auto searchW = entry<ListSearchTextW>(module, "ListSearchTextW");
    ASSERT_TRUE(load && next && close && send && search && searchW &&
                entry<ListGetDetectString>(module, "ListGetDetectString"));
    // The toolkit parts' entry and the core stay inside.
    EXPECT_EQ(dlsym(module, "qvxToolkitApi"), nullptr);

    char file[] = "/nowhere/x.d64";
    int parent = 0;
    EXPECT_EQ(load(&parent, file, 0x62), nullptr);
    EXPECT_EQ(next(&parent, &parent, file, 0), 1);
    EXPECT_EQ(send(&parent, 1, 0), 1);
    // Text in UTF-8, and in 16-bit units with a surrogate pair, not in the platform's wchar_t.
    char typed[] = "H\xC3\x89";
    std::uint16_t wide[] = {u'H', 0xC9, 0x2665, 0xD83E, 0xDF72, 0};
    EXPECT_EQ(search(&parent, typed, 1), 1);
    EXPECT_EQ(searchW(&parent, wide, 9), 1);
    close(&parent);

    const std::string folder = QVX_DOUBLECMD_FOLDER;
    EXPECT_EQ(err.text(), "QVX: AttachProcess - dll path is " + folder + "\n" +
                              "QVX: ListLoad - called for '/nowhere/x.d64'; flags=$62\n"
                              "QVX: ListLoad - no Qt5 or GTK2 viewer for this host\n"
                              "QVX: ListLoadNext - called for '/nowhere/x.d64'; flags=$0\n"
                              "QVX: ListSendCommand - c=$1, p=$0\n"
                              "QVX: ListSearchText - called for 'H\xC3\x89'; flags=$1\n"
                              "QVX: ListSearchText - called for "
                              "'H\xC3\x89\xE2\x99\xA5\xF0\x9F\xAD\xB2'; flags=$9\n"
                              "QVX: ListCloseCommand\n");
}

// Whole when there is room for it and its terminating zero, cut and terminated when not.
TEST(LinuxModule, WritesTheDetectStringIntoTheHostsBuffer) {
    void* module = dlopen(kModule, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(module, nullptr) << dlerror();
    auto detect = entry<ListGetDetectString>(module, "ListGetDetectString");
    ASSERT_NE(detect, nullptr);
    struct Row {
        int maxLength;
        std::string written;
    };
    const std::string whole = kDetect;
    ASSERT_EQ(whole.size(), 153u);
    for (const Row& row : {Row{2000, whole}, Row{154, whole}, Row{153, whole.substr(0, 152)},
                           Row{1, ""}, Row{0, "untouched"}, Row{-5, "untouched"}}) {
        SCOPED_TRACE(row.maxLength);
        char buffer[160];
        std::strcpy(buffer, "untouched");
        detect(buffer, row.maxLength);
        EXPECT_EQ(std::string(buffer), row.written);
    }
    detect(nullptr, 100);
}

}  // namespace
