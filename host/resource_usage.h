// What the process holds: GDI and USER objects and memory, to see whether opening and closing
// windows gives everything back.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace qvx::host {

struct ResourceUsage {
    std::uint32_t gdiObjects = 0;
    std::uint32_t userObjects = 0;
    std::string gdiSource;               // "GetGuiResources" or "handleTable"
    std::string userSource;              // "GetGuiResources" or "threadWindows"
    std::uint64_t pagefileUsage = 0;     // GetProcessMemoryInfo
    std::uint64_t workingSetSize = 0;    // GetProcessMemoryInfo
    std::uint64_t privateCommitted = 0;  // committed private pages, from VirtualQuery
    std::uint64_t heapBusyBytes = 0;     // allocated blocks of every process heap (HeapWalk)
};

// Where GetGuiResources is not implemented (it answers 0 for a process with windows), the GDI
// count comes from the process's GDI handle table and the USER count from this thread's windows.
ResourceUsage measureResources();

}  // namespace qvx::host
