// LIST over a program's lines: the walk by zero ends, the dialect, each line spelled out.
#include "render/basic_listing.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "base/text.h"
#include "render/ascii_line.h"
#include "render/disassembly.h"
#include "render/petscii.h"

namespace qvx {
namespace {

constexpr std::uint8_t kQuote = 0x22;
constexpr std::uint8_t kPi = 0xFF;

struct BasicLine {
    std::uint16_t number = 0;
    std::size_t begin = 0;  // the text after the line number
    std::size_t end = 0;    // its zero byte, or the file's end
};

// Calls onLine for each line as the machine relinks them after LOAD; returns the offset after
// the program's end (its zero link), or of the bytes too few for a line, or size when the file
// ends inside a line.
template <typename OnLine>
std::size_t forEachLine(const std::uint8_t* program, std::size_t size, OnLine onLine) {
    std::size_t at = 0;
    while (at + 1 < size) {
        if (program[at + 1] == 0) return at + 2;
        if (size - at < 4) return at;
        BasicLine line;
        line.number = static_cast<std::uint16_t>(program[at + 2] | program[at + 3] << 8);
        line.begin = at + 4;
        const void* zero = std::memchr(program + line.begin, 0, size - line.begin);
        line.end = zero != nullptr
                       ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(zero) - program)
                       : size;
        onLine(line);
        at = line.end + 1;
    }
    return std::min(at, size);
}

void appendLine(std::u16string& out, const std::uint8_t* program, const BasicLine& line,
                BasicDialect dialect, int charSet) {
    AsciiLine number;
    for (char16_t digit : decimal(line.number)) number.put(static_cast<char>(digit));
    number.put(' ');
    number.appendTo(out, charSet);

    bool quoted = false;
    for (std::size_t i = line.begin; i < line.end; ++i) {
        const std::uint8_t b = program[i];
        if (b == kQuote) quoted = !quoted;
        if (quoted || b < 0x80 || b == kPi) {
            out += quotedFontChar(b, charSet);
        } else {
            // A token: its keyword, or its bytes when the dialect has none for it.
            std::size_t taken = 1;
            std::string_view word;
            if (isTokenPrefix(dialect, b)) {
                taken = i + 1 < line.end ? 2 : 1;
                if (taken == 2) word = prefixedKeyword(b, program[i + 1]);
            } else {
                word = keyword(dialect, b);
            }
            AsciiLine shown;
            if (word.empty()) {
                shown.put('[');
                shown.put('$');
                for (std::size_t k = 0; k < taken; ++k) shown.hex(program[i + k], 2);
                shown.put(']');
                word = std::string_view(shown.text.data(), shown.length);
            }
            appendFontText(out, word, charSet);
            i += taken - 1;
        }
    }
    out += u'\r';
}

}  // namespace

void appendBasicListing(std::u16string& out, const std::uint8_t* program, std::size_t size,
                        std::uint16_t address, int charSet) {
    const BasicDialect dialect = basicDialect(address);
    out.reserve(out.size() + size + size / 2);
    const std::size_t end = forEachLine(program, size, [&](const BasicLine& line) {
        appendLine(out, program, line, dialect, charSet);
    });
    if (end >= size) return;
    out += u'\r';
    appendDisassembly(out, program + end, size - end, address + static_cast<std::uint32_t>(end),
                      charSet);
}

}  // namespace qvx
