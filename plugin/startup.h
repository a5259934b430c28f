// Module start-up: the two process-wide values the viewer windows read, set once at attach.
#pragma once

#include <windows.h>

#include <string>

namespace qvx {

// Runs once at process attach: keeps the instance handle, finds the module directory. Returns 1.
int AttachProcess(HINSTANCE instance);

// The module instance handle, the instance of every viewer window.
HINSTANCE moduleInstance();

// The folder the font file lies in, without a trailing backslash; empty if nothing was found.
const std::u16string& moduleDirectory();

}  // namespace qvx
