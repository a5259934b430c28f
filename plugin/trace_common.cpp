// The trace line format, shared by every platform's output.
#include "plugin/trace.h"

namespace qvx {

void writeTraceLine(const std::u16string& line);

void logDebug(std::u16string text) {
    text.insert(0, u"QVX: ");
    writeTraceLine(text);
}

}  // namespace qvx
