// Records the arguments of every window created on this thread while it is active (a CBT hook),
// so the host sees the class name and styles the plug-in asked for, before the control or the
// system adjust them.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "host/win_handle.h"

namespace qvx::host {

struct WindowCreation {
    HWND window;
    HWND parent;
    std::wstring className;  // as passed; "#<atom>" for an atom
    std::wstring windowName;
    DWORD style;
    DWORD exStyle;
    int x, y, width, height;
};

class CreationLog {
  public:
    // Starts recording; only one log can be active at a time.
    CreationLog();
    ~CreationLog();
    CreationLog(const CreationLog&) = delete;
    CreationLog& operator=(const CreationLog&) = delete;

    const std::vector<WindowCreation>& creations() const { return creations_; }
    const WindowCreation* find(HWND window) const;

  private:
    static LRESULT CALLBACK hookProc(int code, WPARAM wParam, LPARAM lParam);

    std::vector<WindowCreation> creations_;
    WindowsHook hook_;
};

}  // namespace qvx::host
