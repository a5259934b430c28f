// Runs a program as a child process and collects its output and exit status (POSIX only).
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace qvx::test {

struct ProgramResult {
    int status = -1;  // exit status; -1 when it did not exit normally
    std::string out;
    std::string err;
};

struct ProgramOptions {
    // Variables set (a value) or removed (nullopt) on top of this process's environment.
    std::map<std::string, std::optional<std::string>> env;
    // Standard output goes to a pseudo-terminal in raw mode instead of a pipe.
    bool stdoutTerminal = false;
    std::string workingDir;  // empty: this process's
};

// argv[0] is the program's path. Standard input is /dev/null.
ProgramResult runProgram(const std::vector<std::string>& argv, const ProgramOptions& options = {});

}  // namespace qvx::test
