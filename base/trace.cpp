// The trace line format and the optional sink, shared by every platform's output.
#include <utility>

#include "base/trace.h"

#include "base/text.h"

namespace qvx {

// The platform's own channel: the debugger output on Windows, nothing elsewhere.
void writePlatformLine(const std::u16string& line);

namespace {
// At namespace scope, built when the module loads: the host may call in on any thread. Built
// before the modules' own start-up code, which installs a sink: built after, it would drop it.
TraceSink installed __attribute__((init_priority(101)));

TraceSink& sink() {
    return installed;
}
}  // namespace

void setTraceSink(TraceSink s) {
    sink() = std::move(s);
}

void logDebug(std::u16string text) {
    text.insert(0, u"QVX: ");
    writePlatformLine(text);
    if (sink()) sink()(text);
}

void logCall(std::u16string_view entryPoint, std::u16string_view subject, std::int32_t flags) {
    logDebug(joined({entryPoint, u" - called for '", subject, u"'; flags=$", hex(flags)}));
}

}  // namespace qvx
