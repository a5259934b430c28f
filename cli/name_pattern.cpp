// Pattern characters to sets of name bytes through the terminal's glyphs of both character sets.
#include "cli/name_pattern.h"

#include "disk/image.h"
#include "render/petscii.h"
#include "render/unicode_text.h"

namespace qvx::cli {
namespace {

char32_t foldCase(char32_t c) {
    return c >= U'a' && c <= U'z' ? c - U'a' + U'A' : c;
}

bool isControlCode(unsigned b) {
    return b < 0x20 || (b >= 0x80 && b < 0xA0);
}

PatternChar bytesShownAs(char32_t typed) {
    PatternChar bytes;
    const char32_t wanted = foldCase(typed);
    for (unsigned b = 0; b < 256; ++b) {
        if (isControlCode(b) || b == kNamePadding) continue;
        const std::u16string text(1, static_cast<char16_t>(b));
        for (int charSet : {0, 1}) {
            const char16_t font = petsciiToFont(text, 0, charSet)[0];
            if (foldCase(unicodeGlyph(font)) == wanted) bytes.set(b);
        }
    }
    return bytes;
}

}  // namespace

NamePattern parseNamePattern(std::u16string_view typed) {
    NamePattern pattern;
    for (std::size_t i = 0; i < typed.size(); ++i) {
        char32_t c = typed[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < typed.size() && typed[i + 1] >= 0xDC00 &&
            typed[i + 1] < 0xE000) {
            c = 0x10000 + ((c - 0xD800) << 10) + (typed[++i] - 0xDC00);
        } else if (c >= 0xD800 && c < 0xE000) {
            pattern.chars.emplace_back();  // an unpaired surrogate: matches no byte
            continue;
        }
        if (c == U'*') {
            pattern.anyRest = true;
            break;
        }
        pattern.chars.push_back(c == U'?' ? PatternChar().set().reset(kNamePadding)
                                          : bytesShownAs(c));
    }
    return pattern;
}

bool nameMatches(const NamePattern& pattern, const std::array<std::uint8_t, 16>& name) {
    const std::size_t length = pattern.chars.size();
    if (length > name.size()) return false;
    for (std::size_t i = 0; i < length; ++i)
        if (!pattern.chars[i].test(name[i])) return false;
    return pattern.anyRest || length == name.size() || name[length] == kNamePadding;
}

}  // namespace qvx::cli
