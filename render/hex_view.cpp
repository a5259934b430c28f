// The hex view's rows.
#include "render/hex_view.h"

#include "render/ascii_line.h"
#include "render/petscii.h"

namespace qvx {

void appendHexView(std::u16string& out, const std::uint8_t* bytes, std::size_t size,
                   std::uint32_t address, int charSet) {
    const int addressDigits = address + size > 0x10000 ? 6 : 4;
    out.reserve(out.size() + (size / kHexRowBytes + 1) * (addressDigits + 4 * kHexRowBytes + 4u));
    for (std::size_t row = 0; row < size; row += kHexRowBytes) {
        AsciiLine line;
        line.hex(static_cast<std::uint32_t>(address + row), addressDigits);
        line.put(' ');
        for (std::size_t i = 0; i < kHexRowBytes; ++i) {
            line.put(' ');
            if (row + i < size) {
                line.hex(bytes[row + i], 2);
            } else {
                line.put("  ");
            }
        }
        line.put("  ");
        line.appendTo(out, charSet);
        for (std::size_t i = row; i < size && i < row + kHexRowBytes; ++i)
            out += quotedFontChar(bytes[i], charSet);
        out += u'\r';
    }
}

}  // namespace qvx
