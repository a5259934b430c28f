// The lister entry points the file manager calls. Nothing thrown gets past them.
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>

#include "base/ansi_text.h"
#include "base/text.h"
#include "base/trace.h"
#include "base/win32_handles.h"
#include "disk/image.h"
#include "plugin/clipboard.h"
#include "plugin/preview.h"
#include "plugin/startup.h"
#include "plugin/viewer.h"
#include "render/load.h"
#include "render/viewer_look.h"

namespace qvx {

namespace {

std::u16string fromWide(const wchar_t* text) {
    if (text == nullptr) return {};
    return reinterpret_cast<const char16_t*>(text);
}

// ListLoad and ListLoadW alike, once the name is UTF-16.
HWND loadViewer(HWND parent, const std::u16string& path, std::int32_t showFlags) {
    logCall(u"ListLoad", path, showFlags);

    Window viewer(createViewerWindow(parent, moduleInstance()));
    if (!viewer) {
        logDebug(u"ListLoad - can't create window, code=" +
                 decimal(static_cast<std::int32_t>(GetLastError())));
        return nullptr;
    }

    // Registered again for every window; never removed, so open windows keep their glyphs.
    std::u16string fontPath = moduleDirectory() + u"\\" + std::u16string(kDisplayFontFile);
    int added = AddFontResourceW(reinterpret_cast<LPCWSTR>(fontPath.c_str()));
    logDebug(u"ListLoad - AddFont=" + decimal(added));

    auto image = std::make_unique<DiskImage>();
    std::u16string listing = loadImage(path, *image);

    setViewerAppearance(viewer.get(), viewerFace(added));
    takeOverCopies(viewer.get());
    image->wrapFlag = 1;
    image->showState = 0;
    attachImage(viewer.get(), std::move(image));
    putViewerText(viewer.get(), listing);
    ShowWindow(viewer.get(), SW_SHOW);
    PostMessageW(parent, WM_COMMAND, kWrapTextChecked, reinterpret_cast<LPARAM>(viewer.get()));
    return viewer.release();
}

// ListLoadNext and ListLoadNextW: the same window shows the next file from a fresh record, at its
// listing. A file that is no readable image leaves the window as it is and gives 1, so that the
// host offers it to every plug-in (this one's ListLoad still shows its empty listing).
int loadNext(HWND viewer, const std::u16string& path, std::int32_t showFlags) {
    logCall(u"ListLoadNext", path, showFlags);
    if (attachedImage(viewer) == nullptr) return 1;
    auto image = std::make_unique<DiskImage>();
    const std::u16string listing = loadImage(path, *image);
    if (!isReadableImage(*image)) return 1;
    image->wrapFlag = static_cast<std::uint8_t>(showFlags & 1);
    image->showState = 0;
    detachImage(viewer);  // the last image's record goes
    attachImage(viewer, std::move(image));
    putViewerText(viewer, listing);
    return 0;
}

int searchText(HWND viewer, const std::u16string& typed, std::int32_t flags) {
    logCall(u"ListSearchText", typed, flags);
    const DiskImage* image = attachedImage(viewer);
    return image == nullptr ? 1 : searchViewer(viewer, *image, typed, flags);
}

int sendCommand(HWND viewer, std::int32_t command, std::int32_t parameter) {
    logDebug(u"ListSendCommand - c=$" + hex(command) + u", p=$" + hex(parameter));
    DiskImage* image = attachedImage(viewer);
    if (image == nullptr) return 1;
    switch (command) {
        case kCommandCopy:
            return copySelection(viewer) ? 0 : 1;
        case kCommandNewParams:
            return changeDisplayOptions(viewer, *image, parameter);
        default:
            return 1;
    }
}

void closeViewer(HWND viewer) {
    std::unique_ptr<DiskImage> image = detachImage(viewer);
    logDebug(u"ListCloseCommand");
    image.reset();
    DestroyWindow(viewer);
}

}  // namespace

}  // namespace qvx

extern "C" {

__declspec(dllexport) HWND __stdcall ListLoad(HWND parentWin, char* fileToLoad, int showFlags) {
    try {
        return qvx::loadViewer(parentWin, qvx::fromAnsi(fileToLoad), showFlags);
    } catch (...) {
        return nullptr;
    }
}

// The name as it stands, so that names outside the ANSI code page open too.
__declspec(dllexport) HWND __stdcall ListLoadW(HWND parentWin, wchar_t* fileToLoad, int showFlags) {
    try {
        return qvx::loadViewer(parentWin, qvx::fromWide(fileToLoad), showFlags);
    } catch (...) {
        return nullptr;
    }
}

// Thumbnails. The host's first 8 KB of the file (contentBuf) are of no use: the directory lies
// in the middle of the image, so the file is read by name like any other.
__declspec(dllexport) HBITMAP
    __stdcall ListGetPreviewBitmap(char* fileToLoad, int width, int height, char* /*contentBuf*/,
                                   int /*contentBufLen*/) {
    try {
        return qvx::previewBitmap(qvx::fromAnsi(fileToLoad), width, height);
    } catch (...) {
        return nullptr;
    }
}

__declspec(dllexport) HBITMAP
    __stdcall ListGetPreviewBitmapW(wchar_t* fileToLoad, int width, int height,
                                    char* /*contentBuf*/, int /*contentBufLen*/) {
    try {
        return qvx::previewBitmap(qvx::fromWide(fileToLoad), width, height);
    } catch (...) {
        return nullptr;
    }
}

__declspec(dllexport) int __stdcall ListLoadNext(HWND /*parentWin*/, HWND listWin, char* fileToLoad,
                                                 int showFlags) {
    try {
        return qvx::loadNext(listWin, qvx::fromAnsi(fileToLoad), showFlags);
    } catch (...) {
        return 1;
    }
}

__declspec(dllexport) int __stdcall ListLoadNextW(HWND /*parentWin*/, HWND listWin,
                                                  wchar_t* fileToLoad, int showFlags) {
    try {
        return qvx::loadNext(listWin, qvx::fromWide(fileToLoad), showFlags);
    } catch (...) {
        return 1;
    }
}

__declspec(dllexport) int __stdcall ListSearchText(HWND listWin, char* searchString,
                                                   int searchParameter) {
    try {
        return qvx::searchText(listWin, qvx::fromAnsi(searchString), searchParameter);
    } catch (...) {
        return 1;
    }
}

__declspec(dllexport) int __stdcall ListSearchTextW(HWND listWin, wchar_t* searchString,
                                                    int searchParameter) {
    try {
        return qvx::searchText(listWin, qvx::fromWide(searchString), searchParameter);
    } catch (...) {
        return 1;
    }
}

__declspec(dllexport) void __stdcall ListCloseWindow(HWND listWin) {
    try {
        qvx::closeViewer(listWin);
    } catch (...) {
    }
}

__declspec(dllexport) void __stdcall ListGetDetectString(char* detectString, int maxLen) {
    try {
        qvx::writeDetectString(detectString, maxLen);
    } catch (...) {
    }
}

__declspec(dllexport) int __stdcall ListSendCommand(HWND listWin, int command, int parameter) {
    try {
        return qvx::sendCommand(listWin, command, parameter);
    } catch (...) {
        return 1;
    }
}

}  // extern "C"
