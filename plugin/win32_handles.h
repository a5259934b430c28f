// Owning wrappers for Win32 handles, so that every exit path gives them back to the system.
#pragma once

#include <windows.h>

#include <utility>

namespace qvx {

// Owns one handle and hands it to close on destruction; empty is the value that holds nothing.
template <typename Handle, auto close, Handle empty = Handle{}>
class UniqueHandle {
  public:
    UniqueHandle() = default;
    explicit UniqueHandle(Handle handle) : handle_(handle) {}
    ~UniqueHandle() { reset(); }

    UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;

    Handle get() const { return handle_; }
    explicit operator bool() const { return handle_ != empty; }

    // Gives up ownership without releasing.
    Handle release() { return std::exchange(handle_, empty); }

    void reset(Handle handle = empty) {
        Handle old = std::exchange(handle_, handle);
        if (old != empty) close(old);
    }

  private:
    Handle handle_ = empty;
};

using Library = UniqueHandle<HMODULE, &FreeLibrary>;
using Window = UniqueHandle<HWND, &DestroyWindow>;
using KernelHandle = UniqueHandle<HANDLE, &CloseHandle>;
using MappedView = UniqueHandle<LPVOID, &UnmapViewOfFile>;
using WindowsHook = UniqueHandle<HHOOK, &UnhookWindowsHookEx>;

}  // namespace qvx
