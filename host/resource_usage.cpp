// Counting objects and memory, with fallbacks for systems whose GetGuiResources answers 0.
#include "host/resource_usage.h"

#include <psapi.h>
#include <winternl.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "host/win_handle.h"

namespace qvx::host {

namespace {

// One entry of the GDI handle table that the PEB points to (the 64-bit layout, also used by
// 32-bit processes); Type is 0 for a free entry.
struct GdiHandleEntry {
    std::uint64_t object;
    std::uint32_t owner;
    std::uint16_t unique;
    std::uint8_t type;
    std::uint8_t flags;
    std::uint64_t userPointer;
};
static_assert(sizeof(GdiHandleEntry) == 24, "GDI handle table entry layout");
constexpr std::size_t kGdiHandleCount = 0x10000;

// GCC takes the fs-relative read inside NtCurrentTeb for an access to an empty array.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Warray-bounds"
const std::uint8_t* threadEnvironmentBlock() {
    return reinterpret_cast<const std::uint8_t*>(NtCurrentTeb());
}
#pragma GCC diagnostic pop

template <typename T>
T readAt(const std::uint8_t* base, std::size_t offset) {
    T value{};
    std::memcpy(&value, base + offset, sizeof value);
    return value;
}

// Offsets in the 32-bit TEB and PEB and, for a 64-bit process or a 32-bit process on a 64-bit
// system (WoW64, where only the 64-bit PEB points to the table), in the 64-bit TEB and PEB.
constexpr std::size_t kTeb32Peb = 0x30;
constexpr std::size_t kPeb32GdiSharedHandleTable = 0x94;
constexpr std::size_t kTeb32WowTebOffset = 0xFDC;
constexpr std::size_t kTeb64Peb = 0x60;
constexpr std::size_t kPeb64GdiSharedHandleTable = 0xF8;

const GdiHandleEntry* gdiHandleTable() {
    const std::uint8_t* teb = threadEnvironmentBlock();
    if constexpr (sizeof(void*) == 8) {
        const auto* peb64 = readAt<const std::uint8_t*>(teb, kTeb64Peb);
        return readAt<const GdiHandleEntry*>(peb64, kPeb64GdiSharedHandleTable);
    }
    const auto* peb = readAt<const std::uint8_t*>(teb, kTeb32Peb);
    if (auto* table = readAt<const GdiHandleEntry*>(peb, kPeb32GdiSharedHandleTable)) return table;
    auto wowOffset = readAt<std::int32_t>(teb, kTeb32WowTebOffset);
    if (wowOffset == 0) return nullptr;
    const std::uint8_t* teb64 = teb + wowOffset;
    auto peb64 = readAt<std::uint64_t>(teb64, kTeb64Peb);
    if (peb64 == 0 || peb64 > UINTPTR_MAX) return nullptr;
    auto table = readAt<std::uint64_t>(
        reinterpret_cast<const std::uint8_t*>(static_cast<std::uintptr_t>(peb64)),
        kPeb64GdiSharedHandleTable);
    if (table > UINTPTR_MAX) return nullptr;
    return reinterpret_cast<const GdiHandleEntry*>(static_cast<std::uintptr_t>(table));
}

// The live entries of this process in the GDI handle table; false when there is no table.
bool countGdiHandleTable(std::uint32_t& live) {
    const GdiHandleEntry* table = gdiHandleTable();
    if (!table) return false;
    live = 0;
    const auto self = static_cast<std::uint16_t>(GetCurrentProcessId());
    for (std::size_t i = 0; i < kGdiHandleCount; ++i) {
        const GdiHandleEntry& e = table[i];
        // An owner of 0 means the table is the process's own (no other process in it).
        auto owner = static_cast<std::uint16_t>(e.owner & 0xFFFF);
        if (e.type != 0 && (owner == 0 || owner == self)) ++live;
    }
    return true;
}

BOOL CALLBACK countChild(HWND, LPARAM counter) {
    ++*reinterpret_cast<std::uint32_t*>(counter);
    return TRUE;
}

BOOL CALLBACK countTopLevel(HWND window, LPARAM counter) {
    ++*reinterpret_cast<std::uint32_t*>(counter);
    EnumChildWindows(window, countChild, counter);
    return TRUE;
}

std::uint32_t countThreadWindows() {
    std::uint32_t n = 0;
    EnumThreadWindows(GetCurrentThreadId(), countTopLevel, reinterpret_cast<LPARAM>(&n));
    return n;
}

std::uint64_t privateCommittedBytes() {
    std::uint64_t total = 0;
    MEMORY_BASIC_INFORMATION info{};
    const std::uint8_t* address = nullptr;
    while (VirtualQuery(address, &info, sizeof info) == sizeof info) {
        if (info.State == MEM_COMMIT && info.Type == MEM_PRIVATE) total += info.RegionSize;
        const auto* next = static_cast<const std::uint8_t*>(info.BaseAddress) + info.RegionSize;
        if (next <= address) break;
        address = next;
    }
    return total;
}

std::uint64_t heapBusyBytes() {
    DWORD count = GetProcessHeaps(0, nullptr);
    std::vector<HANDLE> heaps(count + 16);
    count = GetProcessHeaps(static_cast<DWORD>(heaps.size()), heaps.data());
    heaps.resize(std::min<std::size_t>(count, heaps.size()));
    std::uint64_t total = 0;
    for (HANDLE heap : heaps) {
        HeapLockGuard lock(heap);
        if (!lock.locked()) continue;
        PROCESS_HEAP_ENTRY entry{};
        while (HeapWalk(heap, &entry)) {
            if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) total += entry.cbData;
        }
    }
    return total;
}

}  // namespace

ResourceUsage measureResources() {
    ResourceUsage u;
    HANDLE self = GetCurrentProcess();
    u.gdiObjects = GetGuiResources(self, GR_GDIOBJECTS);
    u.userObjects = GetGuiResources(self, GR_USEROBJECTS);
    u.gdiSource = u.userSource = "GetGuiResources";
    if (u.gdiObjects == 0 && u.userObjects == 0) {
        u.gdiSource = countGdiHandleTable(u.gdiObjects) ? "handleTable" : "unavailable";
        u.userObjects = countThreadWindows();
        u.userSource = "threadWindows";
    }
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    if (GetProcessMemoryInfo(self, &counters, sizeof counters)) {
        u.pagefileUsage = counters.PagefileUsage;
        u.workingSetSize = counters.WorkingSetSize;
    }
    u.privateCommitted = privateCommittedBytes();
    u.heapBusyBytes = heapBusyBytes();
    return u;
}

}  // namespace qvx::host
