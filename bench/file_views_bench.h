// The views of a 50 KiB BASIC program with machine code after it: the load and each view's text.
#pragma once

#include <map>
#include <string>

namespace qvx::bench {

// Writes the program into dir and registers its benchmarks ("file_load", "file_view/N").
void registerFileViewBenchmarks(const std::string& dir);

// Prints the table of the benchmarks' times per iteration (nanoseconds by benchmark name).
void printFileViewTable(const std::map<std::string, double>& nanos);

}  // namespace qvx::bench
