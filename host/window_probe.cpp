// Reading the plug-in's window back through the rich edit control's own messages.
#include "host/window_probe.h"

#include <richedit.h>

#include <array>
#include <fstream>

#include "base/win32_richedit.h"
#include "host/win_handle.h"

namespace qvx::host {

std::wstring windowClassName(HWND window) {
    std::array<wchar_t, 256> name{};
    int n = GetClassNameW(window, name.data(), static_cast<int>(name.size()));
    return std::wstring(name.data(), static_cast<std::size_t>(n > 0 ? n : 0));
}

std::wstring richEditText(HWND window) {
    const std::u16string text = qvx::richEditText(window);
    return std::wstring(text.begin(), text.end());
}

LineBreakCounts countLineBreaks(const std::wstring& text) {
    LineBreakCounts c;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'\r') {
            if (i + 1 < text.size() && text[i + 1] == L'\n') {
                ++c.crlf;
                ++i;
            } else {
                ++c.cr;
            }
        } else if (text[i] == L'\n') {
            ++c.lf;
        }
    }
    return c;
}

const char* lineBreakForm(const LineBreakCounts& c) {
    int kinds = (c.cr > 0) + (c.crlf > 0) + (c.lf > 0);
    if (kinds == 0) return "none";
    if (kinds > 1) return "mixed";
    return c.cr ? "CR" : c.crlf ? "CRLF" : "LF";
}

namespace {

CharFormatReading readCharFormat(HWND window, WPARAM which) {
    CHARFORMATW cf{};
    cf.cbSize = sizeof cf;
    CharFormatReading r;
    r.mask = static_cast<DWORD>(
        SendMessageW(window, EM_GETCHARFORMAT, which, reinterpret_cast<LPARAM>(&cf)));
    r.effects = cf.dwEffects;
    r.textColor = cf.crTextColor;
    r.face.assign(cf.szFaceName, wcsnlen(cf.szFaceName, LF_FACESIZE));
    return r;
}

CharFormatReading selectionCharFormat(HWND window, LPARAM from, LPARAM to) {
    SendMessageW(window, EM_SETSEL, static_cast<WPARAM>(from), to);
    CharFormatReading r = readCharFormat(window, SCF_SELECTION);
    SendMessageW(window, EM_SETSEL, 0, 0);
    return r;
}

}  // namespace

CharFormatReading defaultCharFormat(HWND window) {
    return readCharFormat(window, SCF_DEFAULT);
}

CharFormatReading wholeTextCharFormat(HWND window) {
    return selectionCharFormat(window, 0, -1);
}

CharFormatReading endCharFormat(HWND window) {
    GETTEXTLENGTHEX length{GTL_DEFAULT | GTL_NUMCHARS, 1200};
    LRESULT end = SendMessageW(window, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&length), 0);
    return selectionCharFormat(window, end, end);
}

bool readBackgroundColor(HWND window, COLORREF& color) {
    constexpr COLORREF kProbe = 0x00010203;
    LRESULT previous = SendMessageW(window, EM_SETBKGNDCOLOR, 0, kProbe);
    LRESULT probe = SendMessageW(window, EM_SETBKGNDCOLOR, 0, previous);
    if (static_cast<COLORREF>(probe) != kProbe) return false;
    color = static_cast<COLORREF>(previous);
    return true;
}

Capture Capture::ofClientArea(HWND window) {
    Capture c;
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    RECT rc{};
    if (!GetClientRect(window, &rc) || rc.right <= 0 || rc.bottom <= 0) return c;
    WindowDc screen(window, GetDC(window));
    if (!screen.get()) return c;
    MemoryDc memory(CreateCompatibleDC(screen.get()));
    Bitmap bitmap(CreateCompatibleBitmap(screen.get(), rc.right, rc.bottom));
    if (!memory || !bitmap) return c;
    {
        SelectGuard select(memory.get(), bitmap.get());
        if (!BitBlt(memory.get(), 0, 0, rc.right, rc.bottom, screen.get(), 0, 0, SRCCOPY)) return c;
    }
    return ofBitmap(bitmap.get(), memory.get());
}

Capture Capture::ofBitmap(HBITMAP bitmap, HDC dc) {
    Capture c;
    BITMAP shape{};
    if (!GetObjectW(bitmap, sizeof shape, &shape) || shape.bmWidth <= 0 || shape.bmHeight <= 0)
        return c;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = shape.bmWidth;
    info.bmiHeader.biHeight = shape.bmHeight;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    std::size_t stride = (static_cast<std::size_t>(shape.bmWidth) * 3 + 3) & ~std::size_t{3};
    std::vector<std::uint8_t> rows(stride * static_cast<std::size_t>(shape.bmHeight));
    if (GetDIBits(dc, bitmap, 0, static_cast<UINT>(shape.bmHeight), rows.data(), &info,
                  DIB_RGB_COLORS) != shape.bmHeight)
        return c;
    c.width_ = shape.bmWidth;
    c.height_ = shape.bmHeight;
    c.stride_ = stride;
    c.rows_ = std::move(rows);
    return c;
}

COLORREF Capture::pixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return CLR_INVALID;
    const std::uint8_t* p =
        rows_.data() + stride_ * static_cast<std::size_t>(height_ - 1 - y) + 3 * std::size_t(x);
    return RGB(p[2], p[1], p[0]);
}

bool Capture::writeBmp(const std::filesystem::path& path) const {
    if (empty()) return false;
    BITMAPFILEHEADER file{};
    BITMAPINFOHEADER info{};
    const DWORD headers = sizeof file + sizeof info;
    file.bfType = 0x4D42;  // "BM"
    file.bfSize = headers + static_cast<DWORD>(rows_.size());
    file.bfOffBits = headers;
    info.biSize = sizeof info;
    info.biWidth = width_;
    info.biHeight = height_;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    info.biSizeImage = static_cast<DWORD>(rows_.size());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(&file), sizeof file);
    out.write(reinterpret_cast<const char*>(&info), sizeof info);
    out.write(reinterpret_cast<const char*>(rows_.data()),
              static_cast<std::streamsize>(rows_.size()));
    return static_cast<bool>(out);
}

}  // namespace qvx::host
