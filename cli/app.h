// The qvx command itself, apart from the process around it: arguments in, output and status out.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace qvx::cli {

constexpr int kExitOk = 0;
constexpr int kExitUnreadable = 1;
constexpr int kExitUsage = 2;

using Writer = std::function<void(std::string_view bytes)>;

struct Console {
    Writer out;
    Writer err;
    bool stdoutIsTerminal = false;
    bool stderrIsTerminal = false;  // a progress line may be drawn there
    const char* noColor = nullptr;  // the NO_COLOR variable, null when unset
};

// Runs qvx with the arguments after the program name; returns the exit status.
int runQvx(const std::vector<std::u16string>& args, const Console& console);

}  // namespace qvx::cli
