// Owners the stand-in host needs beyond the shared ones: GDI objects, a mapped view, a DC borrowed
// from a window, a selection into a DC and a heap lock; each is released exactly once.
#pragma once

#include <windows.h>

#include "base/win32_handles.h"

namespace qvx::host {

using MemoryDc = UniqueHandle<HDC, &DeleteDC>;
using Bitmap = UniqueHandle<HBITMAP, &DeleteObject>;
using MappedView = UniqueHandle<void*, &UnmapViewOfFile>;  // a view of a file mapping

// A device context borrowed from a window with GetDC or GetWindowDC.
class WindowDc {
  public:
    WindowDc(HWND window, HDC dc) : window_(window), dc_(dc) {}
    ~WindowDc() {
        if (dc_) ReleaseDC(window_, dc_);
    }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    HDC get() const { return dc_; }

  private:
    HWND window_;
    HDC dc_;
};

// Puts a GDI object into a DC for the lifetime of the guard, then restores the previous one.
class SelectGuard {
  public:
    SelectGuard(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
    ~SelectGuard() {
        if (previous_) SelectObject(dc_, previous_);
    }
    SelectGuard(const SelectGuard&) = delete;
    SelectGuard& operator=(const SelectGuard&) = delete;

  private:
    HDC dc_;
    HGDIOBJ previous_;
};

// Holds a heap's lock while walking it.
class HeapLockGuard {
  public:
    explicit HeapLockGuard(HANDLE heap) : heap_(heap), locked_(HeapLock(heap) != FALSE) {}
    ~HeapLockGuard() {
        if (locked_) HeapUnlock(heap_);
    }
    HeapLockGuard(const HeapLockGuard&) = delete;
    HeapLockGuard& operator=(const HeapLockGuard&) = delete;
    bool locked() const { return locked_; }

  private:
    HANDLE heap_;
    bool locked_;
};

}  // namespace qvx::host
