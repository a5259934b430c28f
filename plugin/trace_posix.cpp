// Trace output outside Windows: lines go to a sink that the front end or a test installs.
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
    if (sink()) sink()(line);
}

}  // namespace qvx
