// Trace output on Windows: the debugger output channel, one call per line.
#include <windows.h>

#include "base/trace.h"

namespace qvx {

void writePlatformLine(const std::u16string& line) {
    OutputDebugStringW(reinterpret_cast<const wchar_t*>(line.c_str()));
}

}  // namespace qvx
