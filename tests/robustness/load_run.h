// One load as the viewer runs it, with every view and the trace it wrote, for the native
// robustness tests; and the qvx program run on a file.
#pragma once

#include <string>
#include <vector>

#include "disk/image.h"
#include "run_program.h"

namespace qvx::test {

struct LoadRun {
    DiskImage image;
    std::u16string listing;             // view 0
    std::u16string secondSet;           // view 1
    std::vector<std::u16string> lines;  // trace of the load, without "QVX: "
};

// loadImage, then the second listing as the viewer builds it on a view change.
LoadRun loadRun(const std::string& path);

// The trace lines of an unreadable name: no type, so no reader gets further than its open.
std::vector<std::u16string> undeterminedLines(const std::string& path, bool opens);

// Runs the built qvx with the arguments.
ProgramResult runQvx(std::vector<std::string> args);

// The lines as qvx --trace writes them to standard error.
std::string asStderr(const std::vector<std::u16string>& lines);

}  // namespace qvx::test
