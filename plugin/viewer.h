// The viewer window: a read-only RichEdit child holding one image's record and showing its views.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "disk/image.h"
#include "render/viewer_look.h"

namespace qvx {

constexpr DWORD kViewerStyle =
    WS_CHILD | WS_VSCROLL | WS_HSCROLL | ES_READONLY | ES_NOHIDESEL | ES_MULTILINE;
static_assert(kViewerStyle == 0x40300904);
constexpr COLORREF colourRef(Rgb colour) {
    return RGB(colour.red, colour.green, colour.blue);
}
static_assert(colourRef(kTextColour) == 0x00FF8FA2 && colourRef(kBackgroundColour) == 0x00ED4960);
constexpr wchar_t kViewerClass[] = L"RichEdit";

// The host's commands: copy, and "display options changed" (bit 0 of its parameter is wrap-text).
constexpr int kCommandCopy = 1;
constexpr int kCommandNewParams = 2;
// WM_COMMAND wParam telling the host its wrap-text item is checked: item 0xFFFC, state 1.
constexpr WPARAM kWrapTextChecked = (WPARAM{0xFFFC} << 16) | WPARAM{1};
static_assert(kWrapTextChecked == 0xFFFC0001);

// The hidden viewer window over the parent's client area; null when it cannot be made.
HWND createViewerWindow(HWND parent, HINSTANCE instance);

// The face the viewer draws with: the display font when its registration added it (added is what
// AddFontResourceW answered), else QVX Mono from the module directory, registered for this process
// alone the first time it is needed; the display font's face when neither is there.
std::u16string_view viewerFace(int added);

// Font face and colours of the whole control.
void setViewerAppearance(HWND viewer, std::u16string_view face);

// Replaces the whole content with text.
void putViewerText(HWND viewer, const std::u16string& text);

// The record in the window's user-data slot: attaching hands ownership to the window until it is
// detached again; attachedImage only looks.
void attachImage(HWND viewer, std::unique_ptr<DiskImage> image);
DiskImage* attachedImage(HWND viewer);
std::unique_ptr<DiskImage> detachImage(HWND viewer);

// Takes the host's display options: a change of the wrap bit moves to the next view.
// Returns 0 when a new view was shown, else 1.
int changeDisplayOptions(HWND viewer, DiskImage& image, std::int32_t options);

// ListSearchText on the view shown: selects the match and scrolls it into view, returns 0; or
// leaves the selection, beeps and returns 1.
int searchViewer(HWND viewer, const DiskImage& image, std::u16string_view typed,
                 std::int32_t flags);

}  // namespace qvx
