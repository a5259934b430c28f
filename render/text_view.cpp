// A data file's text, line by line.
#include "render/text_view.h"

#include "render/petscii.h"

namespace qvx {

void appendTextView(std::u16string& out, const std::uint8_t* bytes, std::size_t size, int charSet) {
    constexpr std::uint8_t kReturn = 0x0D;
    if (size == 0) return;
    const std::size_t start = out.size();
    const bool ended = bytes[size - 1] == kReturn;
    out.resize(start + size + (ended ? 0 : 1), u'\r');
    char16_t* to = &out[start];
    for (std::size_t i = 0; i < size; ++i, ++to)
        if (bytes[i] != kReturn) *to = quotedFontChar(bytes[i], charSet);
}

}  // namespace qvx
