// The debug trace: every diagnostic line of QVX goes out through logDebug.
#pragma once

#include <functional>
#include <string>

namespace qvx {

// Writes "QVX: " + text as one line to the debugger output (on Windows) or to the installed sink.
// Taken by value: a caller that moves in a text with room for the prefix costs no allocation.
void logDebug(std::u16string text);

// Where trace lines go outside Windows. The sink receives the whole line, prefix included.
// Without a sink, lines are dropped. Not for use while another thread writes trace lines.
using TraceSink = std::function<void(const std::u16string& line)>;
void setTraceSink(TraceSink sink);

}  // namespace qvx
