// Glyph rows from the table the build makes of the glyph source.
#include "render/glyphs.h"

#include "glyph_rows.h"
#include "render/petscii.h"
#include "render/unicode_text.h"

namespace qvx {
namespace {

struct AsciiGlyph {
    bool found = false;
    std::uint8_t charSet = 0;
    std::uint8_t screenCode = 0;
};
using AsciiTable = std::array<AsciiGlyph, 0x80>;

constexpr AsciiTable makeAsciiTable() {
    AsciiTable table{};
    for (std::uint8_t set = 0; set < 2; ++set) {
        for (std::uint8_t code = 0; code < 0x80; ++code) {
            const char32_t c = glyph_data::kGlyphCharacters[set][code];
            if (c >= 0x20 && c < 0x7F && !table[c].found) table[c] = {true, set, code};
        }
    }
    return table;
}

constexpr AsciiTable kAsciiGlyphs = makeAsciiTable();

}  // namespace

GlyphRows screenCodeRows(int charSet, std::uint8_t screenCode) {
    const auto& base = glyph_data::kGlyphRows[charSet == 0 ? 0 : 1][screenCode & 0x7F];
    const std::uint8_t invert = (screenCode & kReverseOffset) != 0 ? 0xFF : 0x00;
    GlyphRows rows{};
    for (int i = 0; i < kGlyphSize; ++i) rows[i] = static_cast<std::uint8_t>(base[i] ^ invert);
    return rows;
}

std::optional<GlyphRows> characterRows(char16_t c) {
    if (isFontCodePoint(c))
        return screenCodeRows(c < kFontBaseSecondSet ? 0 : 1, static_cast<std::uint8_t>(c & 0xFF));
    if (c < kAsciiGlyphs.size() && kAsciiGlyphs[c].found)
        return screenCodeRows(kAsciiGlyphs[c].charSet, kAsciiGlyphs[c].screenCode);
    return std::nullopt;
}

}  // namespace qvx
