// Trace output outside Windows: there is no debugger channel, so lines reach only the sink.
#include "base/trace.h"

namespace qvx {

void writePlatformLine(const std::u16string&) {}

}  // namespace qvx
