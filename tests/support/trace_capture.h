// Captures the trace lines a test's code writes, in order, without the "QVX: " prefix.
#pragma once

#include <string>
#include <vector>

#include "base/trace.h"

namespace qvx::test {

class TraceCapture {
  public:
    TraceCapture() {
        setTraceSink([this](const std::u16string& line) { lines.push_back(line.substr(5)); });
    }
    ~TraceCapture() { setTraceSink(nullptr); }
    TraceCapture(const TraceCapture&) = delete;
    TraceCapture& operator=(const TraceCapture&) = delete;

    std::vector<std::u16string> lines;
};

}  // namespace qvx::test
