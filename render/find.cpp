// Typed text against the glyphs a view draws: the one matching rule of every front end.
#include "render/find.h"

#include <algorithm>
#include <string>

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

bool sameLetter(char32_t shown, char32_t typed, bool anyCase) {
    return shown == typed || (anyCase && lowerCase(shown) == lowerCase(typed));
}

bool shownBySomeScreenCode(char32_t typed, int charSet, bool anyCase) {
    for (int code = 0; code < kScreenCodes; ++code) {
        if (sameLetter(screenCodeGlyph(charSet, static_cast<std::uint8_t>(code)), typed, anyCase))
            return true;
    }
    return false;
}

// The typed text one code point at a time, a surrogate pair as one; visit(c) false stops.
template <typename Visit>
bool eachTyped(std::u16string_view typed, Visit visit) {
    for (std::size_t i = 0; i < typed.size(); ++i) {
        char32_t c = typed[i];
        const bool high = c >= 0xD800 && c < 0xDC00;
        if (high && i + 1 < typed.size() && typed[i + 1] >= 0xDC00 && typed[i + 1] < 0xE000)
            c = 0x10000 + ((c - 0xD800) << 10) + (typed[++i] - 0xDC00);
        if (!visit(c)) return false;
    }
    return true;
}

class Matcher {
  public:
    Matcher(std::u16string_view text, std::u16string_view typed, bool anyCase, bool wholeWords)
        : text_(text), typed_(typed), anyCase_(anyCase), wholeWords_(wholeWords) {}

    // The characters a match takes in the text; 0 when a typed one can never match.
    std::size_t length(int charSet) const {
        std::size_t n = 0;
        const bool showable = eachTyped(typed_, [&](char32_t c) {
            ++n;
            return shownBySomeScreenCode(c, charSet, anyCase_);
        });
        return showable ? n : 0;
    }

    bool matchesAt(std::size_t begin, std::size_t length) const {
        std::size_t at = begin;
        const bool same = eachTyped(
            typed_, [&](char32_t c) { return sameLetter(unicodeGlyph(text_[at++]), c, anyCase_); });
        return same && (!wholeWords_ ||
                        (!runsOn(begin, begin - 1) && !runsOn(begin + length - 1, begin + length)));
    }

  private:
    // Whether the word at position edge of the match goes on at the neighbour outside it; a
    // neighbour before the text's start wraps to a position past its end.
    bool runsOn(std::size_t edge, std::size_t neighbour) const {
        return neighbour < text_.size() && isWordCharacter(unicodeGlyph(text_[edge])) &&
               isWordCharacter(unicodeGlyph(text_[neighbour]));
    }

    std::u16string_view text_;
    std::u16string_view typed_;
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
    const Matcher matcher(text, typed, anyCase, (flags & kFindWholeWords) != 0);
    const std::size_t length = matcher.length(charSet);
    if (length == 0 || length > text.size()) return std::nullopt;
    // Where the first candidate starts and how many there are, in the direction of the search.
    const std::size_t last = text.size() - length;
    const bool backwards = (flags & kFindBackwards) != 0;
    if (backwards ? origin < length : origin > last) return std::nullopt;
    std::size_t begin = backwards ? std::min(origin - length, last) : origin;
    for (std::size_t left = backwards ? begin + 1 : last - begin + 1; left > 0; --left) {
        if (matcher.matchesAt(begin, length)) return TextRange{begin, begin + length};
        begin = backwards ? begin - 1 : begin + 1;
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
    logDebug(
        joined({u"ListSearchText - found at line ", decimal(static_cast<std::int64_t>(place.line)),
                u", column ", decimal(static_cast<std::int64_t>(place.column))}));
    return found;
}

}  // namespace qvx
