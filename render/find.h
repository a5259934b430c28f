// Finding typed text in a view as the user reads it, for every front end's ListSearchText: the
// front ends only say what the window holds and shows, then select and scroll to the answer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace qvx {

// The host's search parameter bits.
constexpr std::int32_t kFindFirst = 1;  // from the start of the first line shown
constexpr std::int32_t kFindMatchCase = 2;
constexpr std::int32_t kFindWholeWords = 4;
constexpr std::int32_t kFindBackwards = 8;

// Characters begin to end (exclusive) of a window's text.
struct TextRange {
    std::size_t begin = 0;
    std::size_t end = 0;
};

// What a window holds and shows, in the positions the window counts: text is its whole text as
// the window gives it back (line breaks CR, LF or CR LF, each one as long as the window counts
// it), charSet the character set of the view (viewCharSet), shown the start of the first line
// shown to the end of the last (the start of the line after it will do: no match holds a break).
struct ShownText {
    std::u16string_view text;
    int charSet = 0;
    TextRange selection;
    TextRange shown;
};

// Where a search starts: with find first at the start of the first line shown (backwards: at the
// end of the last one), else just past the selection (backwards: just before it).
std::size_t searchOrigin(std::int32_t flags, TextRange selection, TextRange shown);

// The first match of typed at or after origin, or with kFindBackwards the last one that ends at
// or before it; nothing for an empty typed text. A typed character matches a character that is
// drawn as it: a font code point whose glyph in its set is that character (reverse video or
// not), or the same plain character. Letters match either case, except with kFindMatchCase in
// the second character set, the one set that shows both. A typed character that no screen code
// of the set shows (a control character, a lone surrogate, '{') matches nothing. With
// kFindWholeWords a match neither starts nor ends inside a run of letters and digits.
std::optional<TextRange> findText(std::u16string_view text, std::u16string_view typed, int charSet,
                                  std::int32_t flags, std::size_t origin);

// ListSearchText's work for every front end: finds typed from the place flags give, and traces
// "ListSearchText - found at line L, column C" (both from 1) or "ListSearchText - not found".
// The caller selects the match and scrolls to it, or, when there is none, leaves the selection
// and sounds the beep.
std::optional<TextRange> searchShown(const ShownText& shown, std::u16string_view typed,
                                     std::int32_t flags);

}  // namespace qvx
