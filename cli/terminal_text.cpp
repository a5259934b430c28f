// The viewer's text for a terminal: readable glyphs, reverse video as SGR escapes.
#include "cli/terminal_text.h"

#include "base/text.h"
#include "render/unicode_text.h"

namespace qvx::cli {
namespace {

constexpr std::u16string_view kReverseOn = u"\x1b[7m";
constexpr std::u16string_view kReverseOff = u"\x1b[27m";

}  // namespace

std::string terminalText(std::u16string_view text, bool color) {
    if (!color) return toUtf8(readableText(text, u"\n"));
    std::u16string out;
    out.reserve(text.size() + 16);
    bool inReverse = false;
    for (char16_t c : text) {
        const bool reverse = isReverseVideo(c);
        if (reverse != inReverse) {
            out += reverse ? kReverseOn : kReverseOff;
            inReverse = reverse;
        }
        if (c == u'\r') {
            out += u'\n';
        } else {
            appendCodePoint(out, unicodeGlyph(c));
        }
    }
    // A reverse run never spills into the shell prompt.
    if (inReverse) out += kReverseOff;
    return toUtf8(out);
}

std::string rawText(std::u16string_view text) {
    return toUtf8(text);
}

}  // namespace qvx::cli
