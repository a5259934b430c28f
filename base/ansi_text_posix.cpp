// The interfaces' 8-bit text outside Windows: UTF-8, as hosts pass it on UTF-8 systems.
#include "base/ansi_text.h"

#include "base/text.h"

namespace qvx {

std::u16string fromAnsi(const char* text) {
    return text == nullptr ? std::u16string() : fromUtf8(text);
}

std::string toAnsi(std::u16string_view text) {
    return toUtf8(text);
}

}  // namespace qvx
