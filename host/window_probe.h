// Reads back what the plug-in made of its window: class, styles, text, character format,
// background colour and the pixels on screen.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace qvx::host {

std::wstring windowClassName(HWND window);

// The whole text through EM_GETTEXTEX (GT_DEFAULT, UTF-16), exactly as the control returns it.
std::wstring richEditText(HWND window);

struct LineBreakCounts {
    std::size_t cr = 0;    // a CR not followed by LF
    std::size_t crlf = 0;  // CR LF pairs
    std::size_t lf = 0;    // an LF not preceded by CR
};
LineBreakCounts countLineBreaks(const std::wstring& text);
// "none", "CR", "CRLF", "LF" or "mixed".
const char* lineBreakForm(const LineBreakCounts& counts);

struct CharFormatReading {
    DWORD mask = 0;  // which attributes are the same over the whole range read
    DWORD effects = 0;
    COLORREF textColor = 0;
    std::wstring face;
};
// The control's default format (SCF_DEFAULT).
CharFormatReading defaultCharFormat(HWND window);
// The format of the whole text: everything selected, then SCF_SELECTION; the selection is put
// back to the start afterwards.
CharFormatReading wholeTextCharFormat(HWND window);
// The format at the end of the text, where typing would continue (the last paragraph mark).
CharFormatReading endCharFormat(HWND window);

// EM_SETBKGNDCOLOR answers with the colour it replaces: set a probe colour, then put the answer
// back. False when the control does not answer.
bool readBackgroundColor(HWND window, COLORREF& color);

// A 24-bit copy of a window's client area as it is on screen, or of a bitmap.
class Capture {
  public:
    // Repaints the window, then copies its client area; empty when that fails.
    static Capture ofClientArea(HWND window);
    // A copy of a bitmap not selected into any device context, read through dc.
    static Capture ofBitmap(HBITMAP bitmap, HDC dc);

    bool empty() const { return width_ == 0; }
    int width() const { return width_; }
    int height() const { return height_; }
    COLORREF pixel(int x, int y) const;
    // A 24-bit bottom-up BMP file; false when it cannot be written.
    bool writeBmp(const std::filesystem::path& path) const;

  private:
    int width_ = 0;
    int height_ = 0;
    std::size_t stride_ = 0;
    std::vector<std::uint8_t> rows_;  // bottom-up, blue-green-red, rows padded to 4 bytes
};

}  // namespace qvx::host
