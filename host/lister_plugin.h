// The lister plug-in as the file manager sees it: a loaded module and its stdcall exports.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "host/win_handle.h"

namespace qvx::host {

// The file manager's lister interface; strings are 8-bit in the system ANSI code page, except
// the name ListLoadW takes, which is UTF-16.
using ListLoadFunc = HWND(__stdcall*)(HWND parent, char* fileToLoad, int showFlags);
using ListLoadWFunc = HWND(__stdcall*)(HWND parent, wchar_t* fileToLoad, int showFlags);
using ListCloseWindowFunc = void(__stdcall*)(HWND listWindow);
using ListGetDetectStringFunc = void(__stdcall*)(char* detectString, int maxLength);
using ListSendCommandFunc = int(__stdcall*)(HWND listWindow, int command, int parameter);
using ListGetPreviewBitmapFunc = HBITMAP(__stdcall*)(char* fileToLoad, int width, int height,
                                                     char* contentBuf, int contentBufLen);
using ListGetPreviewBitmapWFunc = HBITMAP(__stdcall*)(wchar_t* fileToLoad, int width, int height,
                                                      char* contentBuf, int contentBufLen);

// Command of ListSendCommand: the display options changed; bit 0 of the parameter is wrap text.
constexpr int kCommandNewParams = 2;
constexpr int kParamWrapText = 1;
// What the plug-in posts to its parent as WM_COMMAND wParam: the wrap-text item, checked.
constexpr std::uint32_t kNotifyWrapOn = 0xFFFC0001;
// The buffer the file manager offers for the detect string.
constexpr int kDetectStringBufferSize = 2000;
// How much of the file the file manager hands to ListGetPreviewBitmap.
constexpr int kPreviewContentBytes = 8192;

// A file name in both forms a load entry point takes, made before the call, so that timed loads
// allocate nothing of the host's. Characters the code page lacks are lost in the ANSI form.
struct PluginFileName {
    explicit PluginFileName(const std::wstring& path);
    std::wstring wide;
    std::vector<char> ansi;  // zero-terminated
};

class ListerPlugin {
  public:
    // Makes the plug-in's folder the DLL search directory, then loads it. Throws
    // std::runtime_error with the reason when the module or one of the four exports every
    // plug-in has is missing. ListLoadW is optional; forceAnsi leaves it unused.
    ListerPlugin(const std::wstring& path, bool forceAnsi);
    ~ListerPlugin();
    ListerPlugin(const ListerPlugin&) = delete;
    ListerPlugin& operator=(const ListerPlugin&) = delete;

    const std::wstring& path() const { return path_; }
    const std::wstring& directory() const { return directory_; }

    // Unloads the module now (the destructor does it otherwise).
    void unload() { module_.reset(); }

    // Opens a file as file managers do: through ListLoadW when it is there, else through
    // ListLoad with the ANSI name.
    HWND load(HWND parent, PluginFileName& name, int showFlags) const;
    // The entry point load calls: "ListLoadW" or "ListLoad".
    const char* loadEntryPoint() const { return listLoadW ? "ListLoadW" : "ListLoad"; }

    // A thumbnail as file managers ask for one: through ListGetPreviewBitmapW when it is there
    // (and ANSI is not forced), else ListGetPreviewBitmap; null when the module has neither or
    // gives no bitmap. The caller owns the bitmap.
    HBITMAP preview(PluginFileName& name, int width, int height, std::vector<char>& content) const;
    // The entry point preview calls, or null when there is none.
    const char* previewEntryPoint() const {
        return listGetPreviewBitmapW ? "ListGetPreviewBitmapW"
                                     : (listGetPreviewBitmap ? "ListGetPreviewBitmap" : nullptr);
    }

    ListLoadFunc listLoad = nullptr;
    ListLoadWFunc listLoadW = nullptr;  // null when the module lacks it or ListLoad is forced
    ListCloseWindowFunc listCloseWindow = nullptr;
    ListGetDetectStringFunc listGetDetectString = nullptr;
    ListSendCommandFunc listSendCommand = nullptr;
    ListGetPreviewBitmapFunc listGetPreviewBitmap = nullptr;    // optional
    ListGetPreviewBitmapWFunc listGetPreviewBitmapW = nullptr;  // optional, unless ANSI is forced

  private:
    std::wstring path_;
    std::wstring directory_;
    Library module_;
};

// The absolute path of a file next to the running program.
std::wstring besideProgram(const std::wstring& fileName);

}  // namespace qvx::host
