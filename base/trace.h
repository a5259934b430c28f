// The debug trace: every diagnostic line of QVX goes out through logDebug.
#pragma once

#include <functional>
#include <string>

namespace qvx {

// Writes "QVX: " + text as one line to the debugger output (on Windows) and to the sink, if any.
// Taken by value: a caller that moves in a text with room for the prefix costs no allocation.
void logDebug(std::u16string text);

// A second destination for trace lines (tests, the qvx command): it receives each whole line,
// prefix included. Not for use while another thread writes trace lines.
using TraceSink = std::function<void(const std::u16string& line)>;
void setTraceSink(TraceSink sink);

}  // namespace qvx
