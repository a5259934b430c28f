// The module entry point: start-up at process attach, nothing at any other time.
#include <windows.h>

#include "plugin/startup.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID /*reserved*/) {
    if (reason == DLL_PROCESS_ATTACH) {
        try {
            qvx::AttachProcess(instance);
        } catch (...) {
            // Without a module directory the viewer still works, only without its font.
        }
    }
    // The runtime's own facilities are set up and torn down by its entry point around this one.
    return TRUE;
}
