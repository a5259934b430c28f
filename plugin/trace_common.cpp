// The trace line format, shared by every platform's output.
#include "plugin/trace.h"

namespace qvx {

void writeTraceLine(const std::u16string& line);

void logDebug(const std::u16string& text) {
    std::u16string line;
    line.reserve(5 + text.size());
    line += u"QVX: ";
    line += text;
    writeTraceLine(line);
}

}  // namespace qvx
