// hostBaseName and makeUnique.
#include "extract/host_name.h"

#include <algorithm>
#include <unordered_set>

#include "base/text.h"
#include "render/petscii.h"
#include "render/unicode_text.h"

namespace qvx {

namespace {

constexpr std::uint8_t kPadding = 0xA0;
constexpr char16_t kReplacement = u'_';
constexpr int kLowerCaseSet = 1;
// Punctuation every host takes in a file name; the rest of ASCII's is replaced.
constexpr std::u16string_view kKeptPunctuation = u" !#$%&'()+,-.;=@[]^_{}~";

bool isControlCode(std::uint8_t b) {
    return b < 0x20 || (b >= 0x80 && b < 0xA0);
}

char16_t hostChar(std::uint8_t b) {
    if (isControlCode(b)) return kReplacement;
    const char32_t glyph = unicodeGlyph(petsciiToFont(std::u16string(1, b), 0, kLowerCaseSet)[0]);
    if (glyph >= 0x80) return kReplacement;
    const auto c = static_cast<char16_t>(glyph);
    const bool letterOrDigit =
        (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9');
    return letterOrDigit || kKeptPunctuation.find(c) != std::u16string_view::npos ? c
                                                                                  : kReplacement;
}

char16_t asciiLower(char16_t c) {
    return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c;
}

std::u16string lowered(std::u16string_view text) {
    std::u16string out(text);
    for (char16_t& c : out) c = asciiLower(c);
    return out;
}

// CON, PRN, AUX, NUL, COM1 to COM9, LPT1 to LPT9: Windows opens the device for any of them,
// whatever extension follows.
bool isDeviceName(std::u16string_view base) {
    const std::u16string stem = lowered(base.substr(0, base.find(u'.')));
    if (stem == u"con" || stem == u"prn" || stem == u"aux" || stem == u"nul") return true;
    return stem.size() == 4 &&
           (stem.compare(0, 3, u"com") == 0 || stem.compare(0, 3, u"lpt") == 0) &&
           stem[3] >= u'1' && stem[3] <= u'9';
}

}  // namespace

std::u16string hostBaseName(const std::array<std::uint8_t, 16>& name) {
    std::u16string base;
    for (std::uint8_t b : name) {
        if (b == kPadding) break;
        base += hostChar(b);
    }
    const std::size_t first = base.find_first_not_of(u' ');
    base.erase(0, first == std::u16string::npos ? base.size() : first);
    while (!base.empty() && (base.back() == u'.' || base.back() == u' ')) base.pop_back();
    if (base.empty()) return std::u16string(1, kReplacement);
    if (isDeviceName(base)) base.insert(std::min(base.find(u'.'), base.size()), 1, kReplacement);
    return base;
}

void makeUnique(std::vector<std::u16string>& names) {
    std::unordered_set<std::u16string> taken;
    for (const std::u16string& name : names) taken.insert(lowered(name));
    std::unordered_set<std::u16string> kept;
    for (std::u16string& name : names) {
        if (kept.insert(lowered(name)).second) continue;
        const std::size_t dot = name.rfind(u'.');
        const std::u16string stem = name.substr(0, dot);
        const std::u16string rest = dot == std::u16string::npos ? u"" : name.substr(dot);
        for (int n = 2;; ++n) {
            std::u16string candidate = joined({stem, u"~", decimal(n), rest});
            const std::u16string key = lowered(candidate);
            if (taken.count(key) != 0) continue;
            taken.insert(key);
            kept.insert(key);
            name = std::move(candidate);
            break;
        }
    }
}

}  // namespace qvx
