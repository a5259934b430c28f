// Number forms and widening for trace lines and texts.
#include "base/text.h"

namespace qvx {

std::u16string decimal(std::int64_t value) {
    char16_t digits[24];
    int n = 0;
    // Work on the unsigned magnitude so that the most negative value has no overflow.
    std::uint64_t magnitude =
        value < 0 ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
    do {
        digits[n++] = static_cast<char16_t>(u'0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    std::u16string out;
    out.reserve(n + 1);
    if (value < 0) out += u'-';
    while (n > 0) out += digits[--n];
    return out;
}

std::u16string hex(std::int32_t value) {
    auto bits = static_cast<std::uint64_t>(static_cast<std::int64_t>(value));
    char16_t digits[16];
    int n = 0;
    do {
        digits[n++] = u"0123456789ABCDEF"[bits & 0xF];
        bits >>= 4;
    } while (bits != 0);
    std::u16string out;
    out.reserve(n);
    while (n > 0) out += digits[--n];
    return out;
}

std::u16string widen(std::string_view bytes) {
    std::u16string out;
    out.reserve(bytes.size());
    for (char c : bytes) out += static_cast<char16_t>(static_cast<unsigned char>(c));
    return out;
}

std::u16string joined(std::initializer_list<std::u16string_view> parts) {
    std::size_t size = 0;
    for (std::u16string_view part : parts) size += part.size();
    std::u16string out;
    out.reserve(size);
    for (std::u16string_view part : parts) out += part;
    return out;
}

}  // namespace qvx
