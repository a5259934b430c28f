// Typed text against the glyphs a view draws: the one matching rule of every front end.
#include "render/find.h"

#include <string>
#include <vector>

#include "base/text.h"
#include "base/trace.h"
#include "render/unicode_text.h"

namespace qvx {
namespace {

constexpr int kScreenCodes = 0x80;

// Only the letters of ASCII have two cases in either set.
char32_t lowerCase(char32_t c) {
    return c >= U'A' && c <= U'Z' ? c + (U'a' - U'A') : c;
}

bool isWordCharacter(char32_t c) {
    const char32_t lower = lowerCase(c);
    return (lower >= U'a' && lower <= U'z') || (c >= U'0' && c <= U'9');
}

bool same(char32_t shown, char32_t typed, bool anyCase) {
    return shown == typed || (anyCase && lowerCase(shown) == lowerCase(typed));
}

bool shownBySomeScreenCode(char32_t typed, int charSet, bool anyCase) {
    for (int code = 0; code < kScreenCodes; ++code) {
        if (same(screenCodeGlyph(charSet, static_cast<std::uint8_t>(code)), typed, anyCase))
            return true;
    }
    return false;
}

// The typed text as code points; empty when one of them can never match.
std::u32string typedCharacters(std::u16string_view typed, int charSet, bool anyCase) {
    std::u32string out;
    for (std::size_t i = 0; i < typed.size(); ++i) {
        char32_t c = typed[i];
        const bool high = c >= 0xD800 && c < 0xDC00;
        if (high && i + 1 < typed.size() && typed[i + 1] >= 0xDC00 && typed[i + 1] < 0xE000) {
            c = 0x10000 + ((c - 0xD800) << 10) + (typed[++i] - 0xDC00);
        }
        if (!shownBySomeScreenCode(c, charSet, anyCase)) return {};
        out += c;
    }
    return out;
}

class Matcher {
  public:
    Matcher(std::u16string_view text, std::u32string typed, bool anyCase, bool wholeWords)
        : text_(text), typed_(std::move(typed)), anyCase_(anyCase), wholeWords_(wholeWords) {}

    std::size_t length() const { return typed_.size(); }

    bool matchesAt(std::size_t begin) const {
        for (std::size_t k = 0; k < typed_.size(); ++k) {
            if (!same(unicodeGlyph(text_[begin + k]), typed_[k], anyCase_)) return false;
        }
        return !wholeWords_ ||
               (!runsOn(begin, begin - 1) && !runsOn(begin + length() - 1, begin + length()));
    }

  private:
    // Whether the word at position edge of the match goes on at the neighbour outside it; a
    // neighbour before the text's start wraps to a position past its end.
    bool runsOn(std::size_t edge, std::size_t neighbour) const {
        return neighbour < text_.size() && isWordCharacter(unicodeGlyph(text_[edge])) &&
               isWordCharacter(unicodeGlyph(text_[neighbour]));
    }

    std::u16string_view text_;
    std::u32string typed_;
    bool anyCase_;
    bool wholeWords_;
};

struct Place {
    std::size_t line = 1;
    std::size_t column = 1;
};

// CR LF is one line break, as a lone CR or LF is.
Place placeOf(std::u16string_view text, std::size_t position) {
    Place place;
    std::size_t lineStart = 0;
    for (std::size_t i = 0; i < position && i < text.size(); ++i) {
        if (text[i] == u'\n' ||
            (text[i] == u'\r' && (i + 1 >= text.size() || text[i + 1] != u'\n'))) {
            ++place.line;
            lineStart = i + 1;
        }
    }
    place.column = position - lineStart + 1;
    return place;
}

}  // namespace

std::size_t searchOrigin(std::int32_t flags, TextRange selection, TextRange shown) {
    const bool backwards = (flags & kFindBackwards) != 0;
    if ((flags & kFindFirst) != 0) return backwards ? shown.end : shown.begin;
    return backwards ? selection.begin : selection.end;
}

std::optional<TextRange> findText(std::u16string_view text, std::u16string_view typed, int charSet,
                                  std::int32_t flags, std::size_t origin) {
    const bool anyCase = (flags & kFindMatchCase) == 0 || charSet == 0;
    std::u32string characters = typedCharacters(typed, charSet, anyCase);
    if (characters.empty() || characters.size() > text.size()) return std::nullopt;
    const Matcher matcher(text, std::move(characters), anyCase, (flags & kFindWholeWords) != 0);
    const std::size_t last = text.size() - matcher.length();  // the last place a match can start
    if ((flags & kFindBackwards) != 0) {
        if (origin < matcher.length()) return std::nullopt;
        for (std::size_t begin = std::min(origin - matcher.length(), last) + 1; begin-- > 0;) {
            if (matcher.matchesAt(begin)) return TextRange{begin, begin + matcher.length()};
        }
        return std::nullopt;
    }
    for (std::size_t begin = origin; begin <= last; ++begin) {
        if (matcher.matchesAt(begin)) return TextRange{begin, begin + matcher.length()};
    }
    return std::nullopt;
}

std::optional<TextRange> searchShown(const ShownText& shown, std::u16string_view typed,
                                     std::int32_t flags) {
    const std::size_t origin = searchOrigin(flags, shown.selection, shown.shown);
    std::optional<TextRange> found = findText(shown.text, typed, shown.charSet, flags, origin);
    if (!found) {
        logDebug(u"ListSearchText - not found");
        return found;
    }
    const Place place = placeOf(shown.text, found->begin);
    logDebug(u"ListSearchText - found at line " + decimal(static_cast<std::int64_t>(place.line)) +
             u", column " + decimal(static_cast<std::int64_t>(place.column)));
    return found;
}

}  // namespace qvx
