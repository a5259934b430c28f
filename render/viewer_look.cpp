// The detect string into a host's buffer.
#include "render/viewer_look.h"

#include <algorithm>

namespace qvx {

void writeDetectString(char* buffer, std::int32_t maxLength) {
    if (buffer == nullptr || maxLength <= 0) return;
    const std::size_t count =
        std::min(kDetectString.size(), static_cast<std::size_t>(maxLength) - 1);
    std::copy_n(kDetectString.begin(), count, buffer);
    buffer[count] = '\0';
}

}  // namespace qvx
