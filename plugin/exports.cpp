// The lister entry points the file manager calls. Nothing thrown gets past them.
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>

#include "base/text.h"
#include "base/trace.h"
#include "base/win32_handles.h"
#include "disk/image.h"
#include "plugin/preview.h"
#include "plugin/startup.h"
#include "plugin/viewer.h"
#include "render/load.h"
#include "render/viewer_look.h"

namespace qvx {

namespace {

std::u16string fromAnsi(const char* text) {
    if (text == nullptr || *text == 0) return {};
    int length = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (length <= 1) return {};
    std::u16string wide(static_cast<std::size_t>(length), u'\0');
    MultiByteToWideChar(CP_ACP, 0, text, -1, reinterpret_cast<LPWSTR>(wide.data()), length);
    wide.resize(static_cast<std::size_t>(length - 1));
    return wide;
}

std::u16string fromWide(const wchar_t* text) {
    if (text == nullptr) return {};
    return reinterpret_cast<const char16_t*>(text);
}

// ListLoad and ListLoadW alike, once the name is UTF-16.
HWND loadViewer(HWND parent, const std::u16string& path, std::int32_t showFlags) {
    logDebug(u"ListLoad - called for '" + path + u"'; flags=$" + hex(showFlags));

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
    image->wrapFlag = 1;
    image->showState = 0;
    attachImage(viewer.get(), std::move(image));
    putViewerText(viewer.get(), listing);
    ShowWindow(viewer.get(), SW_SHOW);
    PostMessageW(parent, WM_COMMAND, kWrapTextChecked, reinterpret_cast<LPARAM>(viewer.get()));
    return viewer.release();
}

int sendCommand(HWND viewer, std::int32_t command, std::int32_t parameter) {
    logDebug(u"ListSendCommand - c=$" + hex(command) + u", p=$" + hex(parameter));
    DiskImage* image = attachedImage(viewer);
    if (image == nullptr || command != kCommandNewParams) return 1;
    return changeDisplayOptions(viewer, *image, parameter);
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
