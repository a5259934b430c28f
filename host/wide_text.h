// Conversions between the host's wide strings, UTF-8 (the JSON report) and the ANSI code page
// (what the plug-in interface takes).
#pragma once

#include <windows.h>

#include <string>

#include "base/text.h"

namespace qvx::host {

inline std::string utf8(const std::wstring& text) {
    return toUtf8(std::u16string(text.begin(), text.end()));
}

inline std::wstring wide(const std::string& utf8Text) {
    std::u16string t = fromUtf8(utf8Text);
    return std::wstring(t.begin(), t.end());
}

// WideCharToMultiByte(CP_ACP); characters the code page lacks become its default character.
inline std::string toAnsi(const std::wstring& text) {
    if (text.empty()) return {};
    int n = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), out.data(), n,
                        nullptr, nullptr);
    return out;
}

inline std::wstring fromAnsi(const std::string& text) {
    if (text.empty()) return {};
    int n = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
    return out;
}

}  // namespace qvx::host
