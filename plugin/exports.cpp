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
#include "plugin/startup.h"
#include "plugin/viewer.h"
#include "render/load.h"

namespace qvx {

namespace {

constexpr char16_t kDetectString[] =
    u"EXT=\"D64\" | EXT=\"D71\" | EXT=\"D80\" | EXT=\"D81\" | EXT=\"D82\"";

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

std::string toAnsi(const std::u16string& text) {
    auto source = reinterpret_cast<LPCWSTR>(text.c_str());
    auto count = static_cast<int>(text.size());
    int length = WideCharToMultiByte(CP_ACP, 0, source, count, nullptr, 0, nullptr, nullptr);
    std::string ansi(static_cast<std::size_t>(std::max(length, 0)), '\0');
    WideCharToMultiByte(CP_ACP, 0, source, count, ansi.data(), length, nullptr, nullptr);
    return ansi;
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
    std::u16string fontPath = moduleDirectory() + kFontFile;
    int added = AddFontResourceW(reinterpret_cast<LPCWSTR>(fontPath.c_str()));
    logDebug(u"ListLoad - AddFont=" + decimal(added));

    auto image = std::make_unique<DiskImage>();
    std::u16string listing = loadImage(path, *image);

    setViewerAppearance(viewer.get());
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

// Writes as much as fits, always terminated; a buffer of 58 bytes or more takes all of it.
void writeDetectString(char* buffer, std::int32_t maxLength) {
    if (buffer == nullptr || maxLength <= 0) return;
    std::string ansi = toAnsi(kDetectString);
    std::size_t count = std::min(ansi.size(), static_cast<std::size_t>(maxLength) - 1);
    std::copy_n(ansi.begin(), count, buffer);
    buffer[count] = '\0';
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
