// Owners for the Win32 handles the stand-in host holds: each is released exactly once.
#pragma once

#include <windows.h>

#include <memory>
#include <type_traits>
#include <utility>

namespace qvx::host {

// Calls a release function on a handle; the function is a template argument so the owner stays
// as small as the handle itself.
template <typename Handle, auto Release>
struct ReleaseWith {
    void operator()(Handle h) const noexcept {
        if (h) Release(h);
    }
};

template <typename Handle, auto Release>
using Unique = std::unique_ptr<std::remove_pointer_t<Handle>, ReleaseWith<Handle, Release>>;

using UniqueModule = Unique<HMODULE, &FreeLibrary>;
using UniqueHandle = Unique<HANDLE, &CloseHandle>;
using UniqueWindow = Unique<HWND, &DestroyWindow>;
using UniqueMemoryDc = Unique<HDC, &DeleteDC>;
using UniqueBitmap = Unique<HBITMAP, &DeleteObject>;

// A view of a file mapping.
struct UnmapView {
    void operator()(void* p) const noexcept {
        if (p) UnmapViewOfFile(p);
    }
};
using UniqueView = std::unique_ptr<void, UnmapView>;

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
