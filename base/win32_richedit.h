// Text out of a rich edit control, for the module's copies and finds and the host that checks it.
#pragma once

#include <windows.h>

#include <richedit.h>

#include <cstddef>
#include <string>

namespace qvx {

constexpr UINT kUtf16CodePage = 1200;

// The whole content through EM_GETTEXTEX (GT_DEFAULT, UTF-16), each character at the position the
// control counts it at.
inline std::u16string richEditText(HWND control) {
    GETTEXTLENGTHEX length{GTL_PRECISE | GTL_NUMCHARS, kUtf16CodePage};
    const auto expected = static_cast<std::size_t>(
        SendMessageW(control, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&length), 0));
    // The length is a hint: room to spare tells that nothing was cut.
    std::u16string text(expected + 2, u'\0');
    for (;;) {
        GETTEXTEX request{};
        request.cb = static_cast<DWORD>(text.size() * sizeof(char16_t));  // with the final zero
        request.flags = GT_DEFAULT;
        request.codepage = kUtf16CodePage;
        const auto got = static_cast<std::size_t>(
            SendMessageW(control, EM_GETTEXTEX, reinterpret_cast<WPARAM>(&request),
                         reinterpret_cast<LPARAM>(text.data())));
        if (got + 1 < text.size()) {
            text.resize(got);
            return text;
        }
        text.assign(text.size() * 2, u'\0');
    }
}

}  // namespace qvx
