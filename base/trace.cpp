// The trace line format and the optional sink, shared by every platform's output.
#include <memory>
#include <utility>

#include "base/trace.h"

#include "base/text.h"

namespace qvx {

// The platform's own channel: the debugger output on Windows, nothing elsewhere.
void writePlatformLine(const std::u16string& line);

namespace {
// Constant-initialised, so it is there before any start-up code of the module runs (the Linux
// plug-in sets its sink from one) and needs no first-use guard: the host may call on any thread.
std::unique_ptr<TraceSink> installed;
}  // namespace

void setTraceSink(TraceSink s) {
    installed = s ? std::make_unique<TraceSink>(std::move(s)) : nullptr;
}

void logDebug(std::u16string text) {
    text.insert(0, u"QVX: ");
    writePlatformLine(text);
    if (installed) (*installed)(text);
}

void logCall(std::u16string_view entryPoint, std::u16string_view subject, std::int32_t flags) {
    logDebug(joined({entryPoint, u" - called for '", subject, u"'; flags=$", hex(flags)}));
}

}  // namespace qvx
