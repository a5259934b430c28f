// Trace output on Windows: the debugger output channel, one call per line. A sink, when installed,
// receives the line as well (the qvx front end uses it for --trace).
#include <windows.h>

#include <utility>

#include "plugin/trace.h"

namespace qvx {

namespace {
TraceSink& sink() {
    static TraceSink installed;
    return installed;
}
}  // namespace

void setTraceSink(TraceSink s) { sink() = std::move(s); }

void writeTraceLine(const std::u16string& line) {
    OutputDebugStringW(reinterpret_cast<const wchar_t*>(line.c_str()));
    if (sink()) sink()(line);
}

}  // namespace qvx
