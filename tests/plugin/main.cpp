// Entry of the plug-in test program. Run with --child it is instead a stand-in host process that
// loads the plug-in once, for the start-up cases that need a process of their own.
#include <windows.h>

#include <gtest/gtest.h>
#include <shellapi.h>

#include <cstdio>
#include <string>
#include <vector>

#include "plugin_harness.h"

namespace {

// A fault in the plug-in ends the run with a message instead of waiting in Wine's debugger.
LONG WINAPI reportCrash(EXCEPTION_POINTERS* exception) {
    std::fprintf(stderr, "crashed: exception %08lx at %p\n",
                 exception->ExceptionRecord->ExceptionCode,
                 exception->ExceptionRecord->ExceptionAddress);
    std::fflush(stderr);
    TerminateProcess(GetCurrentProcess(), 3);
    return EXCEPTION_EXECUTE_HANDLER;
}

}  // namespace

int main(int argc, char** argv) {
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    SetUnhandledExceptionFilter(reportCrash);
    int count = 0;
    LPWSTR* wideArguments = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::u16string> arguments;
    for (int i = 0; i < count; ++i)
        arguments.emplace_back(reinterpret_cast<const char16_t*>(wideArguments[i]));
    LocalFree(wideArguments);
    if (arguments.size() > 1 && arguments[1] == u"--child") {
        return qvx::test::childMain({arguments.begin() + 2, arguments.end()});
    }
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
