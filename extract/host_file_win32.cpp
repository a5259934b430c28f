// writeHostFile and hostFileTime on Windows: a new file appears under its name only whole, through
// MoveFileExW, which replaces an existing file only when asked.
#include <windows.h>

#include <algorithm>
#include <atomic>

#include "base/unique_handle.h"
#include "disk/file.h"
#include "extract/archive.h"

namespace qvx {

namespace {

// 100-nanosecond steps from 1601-01-01 to 1970-01-01.
constexpr std::int64_t kUnixEpoch = 116444736000000000;
constexpr std::int64_t kTicksPerSecond = 10000000;

void closeFileHandle(HANDLE handle) {
    CloseHandle(handle);
}
using FileHandle = UniqueHandle<HANDLE, &closeFileHandle, -1>;

LPCWSTR wide(const std::u16string& text) {
    return reinterpret_cast<LPCWSTR>(text.c_str());
}

std::string systemWords(DWORD error) {
    char* text = nullptr;
    const DWORD length = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string words = length != 0 ? std::string(text, length) : "error " + std::to_string(error);
    LocalFree(text);
    while (!words.empty() && (words.back() == '\n' || words.back() == '\r' || words.back() == ' ' ||
                              words.back() == '.'))
        words.pop_back();
    return words;
}

std::u16string temporaryName(const std::u16string& target) {
    static std::atomic<unsigned> counter{0};
    const std::string tail =
        ".qvx-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(counter++);
    return target + std::u16string(tail.begin(), tail.end());
}

std::string writeAll(HANDLE file, const std::vector<std::uint8_t>& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1 << 30));
        DWORD wrote = 0;
        if (!WriteFile(file, bytes.data() + done, chunk, &wrote, nullptr))
            return systemWords(GetLastError());
        if (wrote == 0) return systemWords(ERROR_DISK_FULL);
        done += wrote;
    }
    return {};
}

}  // namespace

std::string writeHostFile(const std::u16string& path, const std::vector<std::uint8_t>& bytes,
                          std::int64_t time, bool readOnly, bool overwrite) {
    const std::u16string target = longFormPath(path);
    if (!overwrite && GetFileAttributesW(wide(target)) != INVALID_FILE_ATTRIBUTES)
        return kFileExists;
    const std::u16string temporary = longFormPath(temporaryName(path));
    std::string problem;
    {
        FileHandle file(CreateFileW(wide(temporary), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) return systemWords(GetLastError());
        problem = writeAll(file.get(), bytes);
        const std::int64_t ticks = time * kTicksPerSecond + kUnixEpoch;
        FILETIME stamp{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
        if (problem.empty() && !SetFileTime(file.get(), nullptr, nullptr, &stamp))
            problem = systemWords(GetLastError());
    }
    if (problem.empty() && readOnly &&
        !SetFileAttributesW(wide(temporary), FILE_ATTRIBUTE_READONLY))
        problem = systemWords(GetLastError());
    if (problem.empty()) {
        // A read-only file in the way would refuse to be replaced.
        if (overwrite) SetFileAttributesW(wide(target), FILE_ATTRIBUTE_NORMAL);
        if (MoveFileExW(wide(temporary), wide(target), overwrite ? MOVEFILE_REPLACE_EXISTING : 0))
            return {};
        const DWORD error = GetLastError();
        problem = error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS ? kFileExists
                                                                              : systemWords(error);
    }
    SetFileAttributesW(wide(temporary), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(wide(temporary));
    return problem;
}

std::int64_t hostFileTime(const std::u16string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(wide(longFormPath(path)), GetFileExInfoStandard, &data)) return 0;
    const std::int64_t ticks =
        (static_cast<std::int64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
        data.ftLastWriteTime.dwLowDateTime;
    return (ticks - kUnixEpoch) / kTicksPerSecond;
}

std::string makeHostFolder(const std::u16string& path) {
    const std::u16string folder = longFormPath(path);
    if (CreateDirectoryW(wide(folder), nullptr)) return {};
    const DWORD error = GetLastError();
    const DWORD attributes = GetFileAttributesW(wide(folder));
    if (error == ERROR_ALREADY_EXISTS && attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return {};
    return systemWords(error);
}

std::u16string hostPath(const std::u16string& folder, const std::u16string& name) {
    if (folder.empty() || folder.back() == u'/' || folder.back() == u'\\') return folder + name;
    return folder + u"\\" + name;
}

}  // namespace qvx
