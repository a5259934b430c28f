// Trace output outside Windows: there is no debugger channel, so lines reach only the sink.
#include <unistd.h>

#include <string_view>

#include "base/text.h"
#include "base/trace.h"

namespace qvx {

void writePlatformLine(const std::u16string&) {}

void writeStandardErrorLine(const std::u16string& line) {
    std::string bytes = readablePath(line);
    bytes += '\n';
    std::string_view rest = bytes;
    while (!rest.empty()) {
        const ssize_t written = ::write(STDERR_FILENO, rest.data(), rest.size());
        if (written <= 0) return;
        rest.remove_prefix(static_cast<std::size_t>(written));
    }
}

}  // namespace qvx
