// The lister plug-in as the file manager sees it: a loaded module and its four stdcall exports.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "host/win_handle.h"

namespace qvx::host {

// The file manager's lister interface; strings are 8-bit in the system ANSI code page.
using ListLoadFunc = HWND(__stdcall*)(HWND parent, char* fileToLoad, int showFlags);
using ListCloseWindowFunc = void(__stdcall*)(HWND listWindow);
using ListGetDetectStringFunc = void(__stdcall*)(char* detectString, int maxLength);
using ListSendCommandFunc = int(__stdcall*)(HWND listWindow, int command, int parameter);

// Command of ListSendCommand: the display options changed; bit 0 of the parameter is wrap text.
constexpr int kCommandNewParams = 2;
constexpr int kParamWrapText = 1;
// What the plug-in posts to its parent as WM_COMMAND wParam: the wrap-text item, checked.
constexpr std::uint32_t kNotifyWrapOn = 0xFFFC0001;
// The buffer the file manager offers for the detect string.
constexpr int kDetectStringBufferSize = 2000;

class ListerPlugin {
  public:
    // Makes the plug-in's folder the DLL search directory, then loads it. Throws
    // std::runtime_error with the reason when the module or one of its exports is missing.
    explicit ListerPlugin(const std::wstring& path);
    ~ListerPlugin();
    ListerPlugin(const ListerPlugin&) = delete;
    ListerPlugin& operator=(const ListerPlugin&) = delete;

    const std::wstring& path() const { return path_; }
    const std::wstring& directory() const { return directory_; }

    // Unloads the module now (the destructor does it otherwise).
    void unload() { module_.reset(); }

    ListLoadFunc listLoad = nullptr;
    ListCloseWindowFunc listCloseWindow = nullptr;
    ListGetDetectStringFunc listGetDetectString = nullptr;
    ListSendCommandFunc listSendCommand = nullptr;

  private:
    std::wstring path_;
    std::wstring directory_;
    Library module_;
};

// The absolute path of a file next to the running program.
std::wstring besideProgram(const std::wstring& fileName);

}  // namespace qvx::host
