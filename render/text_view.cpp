// A data file's text, line by line.
#include "render/text_view.h"

#include "render/petscii.h"

namespace qvx {

void appendTextView(std::u16string& out, const std::uint8_t* bytes, std::size_t size, int charSet) {
    constexpr std::uint8_t kReturn = 0x0D;
    out.reserve(out.size() + size + 1);
    for (std::size_t i = 0; i < size; ++i)
        out += bytes[i] == kReturn ? u'\r' : quotedFontChar(bytes[i], charSet);
    if (size > 0 && bytes[size - 1] != kReturn) out += u'\r';
}

}  // namespace qvx
