// LIST over a program's lines: the walk by zero ends, the dialect, each line spelled out.
#include "render/basic_listing.h"

#include <algorithm>
#include <string_view>

#include "render/ascii_line.h"
#include "render/disassembly.h"
#include "render/petscii.h"

namespace qvx {
namespace {

constexpr std::uint8_t kQuote = 0x22;
constexpr std::uint8_t kPi = 0xFF;
constexpr std::uint8_t kFirstExtendedToken = 0xCC;

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
        line.end =
            static_cast<std::size_t>(std::find(program + line.begin, program + size, 0) - program);
        onLine(line);
        at = line.end + 1;
    }
    return std::min(at, size);
}

bool usesExtendedTokens(const std::uint8_t* program, std::size_t size) {
    bool found = false;
    forEachLine(program, size, [&](const BasicLine& line) {
        bool quoted = false;
        for (std::size_t i = line.begin; i < line.end && !found; ++i) {
            if (program[i] == kQuote) quoted = !quoted;
            found = !quoted && program[i] >= kFirstExtendedToken && program[i] != kPi;
        }
    });
    return found;
}

void appendUnknown(std::u16string& out, std::initializer_list<std::uint8_t> bytes, int charSet) {
    AsciiLine text;
    text.put("[$");
    for (std::uint8_t b : bytes) text.hex(b, 2);
    text.put(']');
    text.appendTo(out, charSet);
}

void appendLine(std::u16string& out, const std::uint8_t* program, const BasicLine& line,
                BasicDialect dialect, int charSet) {
    AsciiLine number;
    number.decimal(line.number);
    number.put(' ');
    number.appendTo(out, charSet);

    bool quoted = false;
    for (std::size_t i = line.begin; i < line.end; ++i) {
        const std::uint8_t b = program[i];
        if (b == kQuote) quoted = !quoted;
        if (quoted || b < 0x80 || b == kPi) {
            out += quotedFontChar(b, charSet);
        } else if (isTokenPrefix(dialect, b)) {
            const bool complete = i + 1 < line.end;
            const std::string_view word = complete ? prefixedKeyword(b, program[i + 1]) : "";
            if (!word.empty()) {
                appendFontText(out, word, charSet);
            } else if (complete) {
                appendUnknown(out, {b, program[i + 1]}, charSet);
            } else {
                appendUnknown(out, {b}, charSet);
            }
            i += complete ? 1 : 0;
        } else {
            const std::string_view word = keyword(dialect, b);
            if (word.empty()) {
                appendUnknown(out, {b}, charSet);
            } else {
                appendFontText(out, word, charSet);
            }
        }
    }
    out += u'\r';
}

}  // namespace

bool isBasicStart(std::uint16_t address) {
    constexpr std::uint16_t kStarts[] = {0x0801, 0x1001, 0x1201, 0x0401, 0x1C01, 0x4001};
    return std::find(std::begin(kStarts), std::end(kStarts), address) != std::end(kStarts);
}

BasicDialect basicDialect(const std::uint8_t* program, std::size_t size, std::uint16_t address) {
    switch (address) {
        case 0x1C01:
        case 0x4001:
            return BasicDialect::V7;
        case 0x0401:
            return usesExtendedTokens(program, size) ? BasicDialect::V4 : BasicDialect::V2;
        case 0x1001:
            return usesExtendedTokens(program, size) ? BasicDialect::V35 : BasicDialect::V2;
        default:
            return BasicDialect::V2;
    }
}

void appendBasicListing(std::u16string& out, const std::uint8_t* program, std::size_t size,
                        std::uint16_t address, int charSet) {
    const BasicDialect dialect = basicDialect(program, size, address);
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
