// The debug trace: every diagnostic line of QVX goes out through logDebug.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace qvx {

// Writes "QVX: " + text as one line to the debugger output (on Windows) and to the sink, if any.
// Taken by value: a caller that moves in a text with room for the prefix costs no allocation.
void logDebug(std::u16string text);

// The first line of an entry point: entryPoint + " - called for '" + subject + "'; flags=$" and
// the flags in hexadecimal.
void logCall(std::u16string_view entryPoint, std::u16string_view subject, std::int32_t flags);

// A second destination for trace lines (tests, the qvx command): it receives each whole line,
// prefix included. Not for use while another thread writes trace lines.
using TraceSink = std::function<void(const std::u16string& line)>;
void setTraceSink(TraceSink sink);

// A sink for plug-ins outside Windows: the line and a newline to standard error in one write, so
// that the host's other threads do not cut into it. Defined in POSIX builds only.
void writeStandardErrorLine(const std::u16string& line);

}  // namespace qvx
