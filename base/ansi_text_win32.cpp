// The interfaces' 8-bit text on Windows: the ANSI code page.
#include <windows.h>

#include "base/ansi_text.h"

namespace qvx {

std::u16string fromAnsi(const char* text) {
    if (text == nullptr || *text == 0) return {};
    const int length = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (length <= 1) return {};
    std::u16string wide(static_cast<std::size_t>(length), u'\0');
    MultiByteToWideChar(CP_ACP, 0, text, -1, reinterpret_cast<LPWSTR>(wide.data()), length);
    wide.resize(static_cast<std::size_t>(length - 1));
    return wide;
}

std::string toAnsi(std::u16string_view text) {
    if (text.empty()) return {};
    const auto wide = reinterpret_cast<LPCWCH>(text.data());
    const int units = static_cast<int>(text.size());
    const int length = WideCharToMultiByte(CP_ACP, 0, wide, units, nullptr, 0, nullptr, nullptr);
    if (length <= 0) return {};
    std::string ansi(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide, units, ansi.data(), length, nullptr, nullptr);
    return ansi;
}

}  // namespace qvx
