// Entry of the plug-in test program. Run with --child it is instead a stand-in host process that
// loads the plug-in once, for the start-up cases that need a process of their own.
#include <windows.h>

#include <gtest/gtest.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "plugin_harness.h"

int main(int argc, char** argv) {
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
