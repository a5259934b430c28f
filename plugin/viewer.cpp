// The viewer window and its views: listing, alternative listing, BAM map, error map.
#include "plugin/viewer.h"

#include <richedit.h>

#include <algorithm>
#include <optional>

#include "base/text.h"
#include "base/trace.h"
#include "base/win32_richedit.h"
#include "plugin/startup.h"
#include "render/find.h"
#include "render/views.h"

namespace qvx {

namespace {

constexpr LONG kShippedFaceTwips = 240;  // 12 points

}  // namespace

HWND createViewerWindow(HWND parent, HINSTANCE instance) {
    RECT area{};
    GetClientRect(parent, &area);
    return CreateWindowExW(0, kViewerClass, L"", kViewerStyle, area.left, area.top,
                           area.right - area.left, area.bottom - area.top, parent, nullptr,
                           instance, nullptr);
}

std::u16string_view viewerFace(int added) {
    if (added != 0) return kDisplayFace;
    // Only this process sees it, and it stays registered while the process runs: once is enough.
    static bool shippedFontRegistered = false;
    if (!shippedFontRegistered) {
        const std::u16string path = moduleDirectory() + u"\\" + std::u16string(kShippedFontFile);
        shippedFontRegistered =
            AddFontResourceExW(reinterpret_cast<LPCWSTR>(path.c_str()), FR_PRIVATE, nullptr) > 0;
    }
    return shippedFontRegistered ? kShippedFace : kDisplayFace;
}

void setViewerAppearance(HWND viewer, std::u16string_view face) {
    CHARFORMATW format{};
    static_assert(sizeof format == 92);
    format.cbSize = sizeof format;
    format.dwMask = CFM_COLOR | CFM_FACE;
    format.crTextColor = colourRef(kTextColour);
    static_assert(kDisplayFace.size() < LF_FACESIZE && kShippedFace.size() < LF_FACESIZE);
    std::copy(face.begin(), face.end(), format.szFaceName);
    if (face == kShippedFace) {
        // QVX Mono as drawn, not thickened to the control's default bold, and at two screen
        // pixels a glyph pixel (16 pixels an em at 96 dots an inch), where it is sharpest.
        format.dwMask |= CFM_BOLD | CFM_SIZE;
        format.yHeight = kShippedFaceTwips;
    }
    // The default format too: Wine's control gives it to every text that EM_SETTEXTEX puts in.
    SendMessageW(viewer, EM_SETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&format));
    SendMessageW(viewer, EM_SETCHARFORMAT, SCF_ALL, reinterpret_cast<LPARAM>(&format));
    SendMessageW(viewer, EM_SETBKGNDCOLOR, 0, static_cast<LPARAM>(colourRef(kBackgroundColour)));
}

void putViewerText(HWND viewer, const std::u16string& text) {
    // A window on screen is drawn once, with the new text in place: a view switch or a next
    // image takes about a third less time under Wine. A hidden one stays hidden: turning drawing
    // on again would show it.
    const bool shown = IsWindowVisible(viewer) != FALSE;
    if (shown) SendMessageW(viewer, WM_SETREDRAW, FALSE, 0);
    SETTEXTEX how{ST_DEFAULT, kUtf16CodePage};
    SendMessageW(viewer, EM_SETTEXTEX, reinterpret_cast<WPARAM>(&how),
                 reinterpret_cast<LPARAM>(text.c_str()));
    // Every text is read from its start, and a find next starts there: the control itself may
    // leave the caret at the end.
    SendMessageW(viewer, EM_SETSEL, 0, 0);
    SendMessageW(viewer, EM_SCROLLCARET, 0, 0);
    if (shown) {
        SendMessageW(viewer, WM_SETREDRAW, TRUE, 0);
        InvalidateRect(viewer, nullptr, TRUE);
    }
}

void attachImage(HWND viewer, std::unique_ptr<DiskImage> image) {
    SetWindowLongPtrW(viewer, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(image.release()));
}

DiskImage* attachedImage(HWND viewer) {
    return reinterpret_cast<DiskImage*>(GetWindowLongPtrW(viewer, GWLP_USERDATA));
}

std::unique_ptr<DiskImage> detachImage(HWND viewer) {
    std::unique_ptr<DiskImage> image(attachedImage(viewer));
    if (image) SetWindowLongPtrW(viewer, GWLP_USERDATA, 0);
    return image;
}

int changeDisplayOptions(HWND viewer, DiskImage& image, std::int32_t options) {
    if (!takeWrapBit(image, options)) return 1;
    std::optional<std::u16string> text = viewText(image, image.showState);
    if (!text) {
        logDebug(u"ListSendCommand - unknown show state " + decimal(image.showState));
        return 1;
    }
    putViewerText(viewer, *text);
    return 0;
}

namespace {

TextRange selectionOf(HWND viewer) {
    CHARRANGE range{};
    SendMessageW(viewer, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&range));
    return {static_cast<std::size_t>(std::max<LONG>(range.cpMin, 0)),
            static_cast<std::size_t>(std::max<LONG>(range.cpMax, 0))};
}

// From the start of the first line shown to the start of the line after the last one shown.
TextRange shownLines(HWND viewer, std::size_t length) {
    const auto first = SendMessageW(viewer, EM_GETFIRSTVISIBLELINE, 0, 0);
    const auto begin = SendMessageW(viewer, EM_LINEINDEX, static_cast<WPARAM>(first), 0);
    RECT client{};
    GetClientRect(viewer, &client);
    POINTL bottomLeft{0, std::max<LONG>(client.bottom - 1, 0)};
    const auto lastCharacter =
        SendMessageW(viewer, EM_CHARFROMPOS, 0, reinterpret_cast<LPARAM>(&bottomLeft));
    const auto lastLine = SendMessageW(viewer, EM_EXLINEFROMCHAR, 0, lastCharacter);
    const auto after = SendMessageW(viewer, EM_LINEINDEX, static_cast<WPARAM>(lastLine + 1), 0);
    return {static_cast<std::size_t>(std::max<LRESULT>(begin, 0)),
            after < 0 ? length : static_cast<std::size_t>(after)};
}

}  // namespace

int searchViewer(HWND viewer, const DiskImage& image, std::u16string_view typed,
                 std::int32_t flags) {
    const std::u16string text = richEditText(viewer);
    const std::optional<TextRange> found = searchShown(
        {text, viewCharSet(image.showState), selectionOf(viewer), shownLines(viewer, text.size())},
        typed, flags);
    if (!found) {
        MessageBeep(MB_OK);
        return 1;
    }
    CHARRANGE range{static_cast<LONG>(found->begin), static_cast<LONG>(found->end)};
    SendMessageW(viewer, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
    SendMessageW(viewer, EM_SCROLLCARET, 0, 0);
    return 0;
}

}  // namespace qvx
