// The hex view's rows.
#include "render/hex_view.h"

#include "render/ascii_line.h"
#include "render/petscii.h"

namespace qvx {

void appendHexView(std::u16string& out, const std::uint8_t* bytes, std::size_t size,
                   std::uint32_t address, int charSet) {
    const int addressDigits = address + size > 0x10000 ? 6 : 4;
    // Sized once and written in place: the address, a blank, " XX" a byte, two blanks, the
    // characters and the line break.
    const std::size_t rows = (size + kHexRowBytes - 1) / kHexRowBytes;
    const std::size_t start = out.size();
    out.resize(start + rows * (addressDigits + 1 + 3 * kHexRowBytes + 2 + 1) + size);
    char16_t* to = &out[start];
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
        to = line.writeTo(to, charSet);
        for (std::size_t i = row; i < size && i < row + kHexRowBytes; ++i)
            *to++ = quotedFontChar(bytes[i], charSet);
        *to++ = u'\r';
    }
}

}  // namespace qvx
