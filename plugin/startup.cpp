// Module start-up: finds the module directory through the process's DLL search directory.
#include "plugin/startup.h"

#include <cstdint>
#include <vector>

#include "base/text.h"
#include "base/trace.h"
#include "base/win32_handles.h"

namespace qvx {

namespace {

HINSTANCE instanceValue = nullptr;

// At namespace scope, built before the host can call in: no guard, on any thread.
std::u16string directory;

std::u16string& directoryValue() {
    return directory;
}

constexpr DWORD kDirectoryBufferLength = 260;
// A directory that keeps growing between calls is given up on after this many tries.
constexpr int kDirectoryAttempts = 4;
// GetModuleFileNameW cannot give more than this.
constexpr std::size_t kLongestPath = 32768;

using GetDllDirectoryFunction = DWORD(WINAPI*)(DWORD, LPWSTR);

LPWSTR wide(std::vector<char16_t>& buffer) {
    return reinterpret_cast<LPWSTR>(buffer.data());
}

std::u16string upToTerminator(const std::vector<char16_t>& buffer) {
    std::u16string text;
    for (char16_t c : buffer) {
        if (c == 0) break;
        text += c;
    }
    return text;
}

// Blank-filled and terminated, as the directory call expects it.
std::vector<char16_t> blankBuffer(DWORD length) {
    std::vector<char16_t> buffer(length, u' ');
    buffer.back() = 0;
    return buffer;
}

// GetDllDirectoryW is looked up at run time: systems without it still load the module.
std::u16string dllDirectory() {
    Library kernel(LoadLibraryW(L"Kernel32.dll"));
    if (!kernel) {
        logDebug(u"AttachProcess - can't open kernel32.dll");
        return {};
    }
    auto getDllDirectory = reinterpret_cast<GetDllDirectoryFunction>(
        reinterpret_cast<void*>(GetProcAddress(kernel.get(), "GetDllDirectoryW")));
    if (getDllDirectory == nullptr) {
        logDebug(u"AttachProcess - can't get function 'GetDllDirectory'");
        return {};
    }
    std::vector<char16_t> buffer = blankBuffer(kDirectoryBufferLength);
    // Wine leaves the last error untouched when no directory is set; the code then reads 0.
    SetLastError(0);
    DWORD result = getDllDirectory(kDirectoryBufferLength, wide(buffer));
    // A result of the buffer's length or more is the length a longer directory needs.
    for (int attempt = 1; result >= buffer.size() && attempt < kDirectoryAttempts; ++attempt) {
        buffer = blankBuffer(result);
        result = getDllDirectory(result, wide(buffer));
    }
    if (result == 0) {
        logDebug(u"AttachProcess - 'GetDllDirectory' failed, code=" +
                 decimal(static_cast<std::int32_t>(GetLastError())));
        return {};
    }
    if (result >= buffer.size()) return {};
    return upToTerminator(buffer);
}

// Without a DLL directory the font is looked for beside the module file, not in a drive's root.
std::u16string moduleFolder(HINSTANCE instance) {
    std::vector<char16_t> path(MAX_PATH);
    while (path.size() <= kLongestPath) {
        DWORD length = GetModuleFileNameW(instance, wide(path), static_cast<DWORD>(path.size()));
        if (length == 0) return {};
        if (length < path.size()) {
            std::u16string file(path.data(), length);
            std::size_t cut = file.rfind(u'\\');
            return cut == std::u16string::npos ? std::u16string() : file.substr(0, cut);
        }
        path.resize(path.size() * 2);
    }
    return {};
}

}  // namespace

int AttachProcess(HINSTANCE instance) {
    instanceValue = instance;
    std::u16string directory = dllDirectory();
    if (directory.empty()) directory = moduleFolder(instance);
    directoryValue() = directory;
    logDebug(u"AttachProcess - dll path is " + directory);
    return 1;
}

HINSTANCE moduleInstance() {
    return instanceValue;
}

const std::u16string& moduleDirectory() {
    return directoryValue();
}

}  // namespace qvx
