// A short line laid out in ASCII (PETSCII has the same codes for capitals, digits and
// punctuation) before it goes into a view as font code points.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "render/petscii.h"

namespace qvx {

// Holds at most 48 characters: what is put beyond them is dropped.
struct AsciiLine {
    std::array<char, 48> text;  // the first length characters count
    std::size_t length = 0;

    void put(char c) {
        if (length < text.size()) text[length++] = c;
    }
    void put(std::string_view s) {
        for (char c : s) put(c);
    }
    // value's low digits * 4 bits in upper-case hexadecimal, leading zeros kept.
    void hex(unsigned value, int digits) {
        for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4)
            put("0123456789ABCDEF"[(value >> shift) & 0xF]);
    }
    void appendTo(std::u16string& out, int charSet) const {
        appendFontText(out, std::string_view(text.data(), length), charSet);
    }
    // Into room for length characters from to on; returns the end.
    char16_t* writeTo(char16_t* to, int charSet) const {
        return writeFontText(to, std::string_view(text.data(), length), charSet);
    }
};

}  // namespace qvx
