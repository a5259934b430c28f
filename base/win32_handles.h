// Owners of the Win32 handles that the module, the host and their tests hold.
#pragma once

#include <windows.h>

#include "base/unique_handle.h"

namespace qvx {

using Library = UniqueHandle<HMODULE, &FreeLibrary>;
using Window = UniqueHandle<HWND, &DestroyWindow>;
using KernelHandle = UniqueHandle<HANDLE, &CloseHandle>;  // the kinds that are null on failure
using WindowsHook = UniqueHandle<HHOOK, &UnhookWindowsHookEx>;
using GlobalMemory = UniqueHandle<HGLOBAL, &GlobalFree>;

}  // namespace qvx
