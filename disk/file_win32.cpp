// File layer on Windows: CreateFileW with full sharing, so that viewing never blocks other
// programs; long absolute paths are passed in the form that lifts MAX_PATH.
#include <windows.h>

#include <algorithm>
#include <string>

#include "disk/file.h"

namespace qvx {

namespace {

// Longer paths fail in the plain form: MAX_PATH less the 12 characters the system keeps for a
// short file name.
constexpr std::size_t kLongPath = MAX_PATH - 12;

bool isSeparator(char16_t c) {
    return c == u'\\' || c == u'/';
}

bool isDriveRoot(const std::u16string& p) {
    return p.size() >= 3 && ((p[0] >= u'A' && p[0] <= u'Z') || (p[0] >= u'a' && p[0] <= u'z')) &&
           p[1] == u':' && isSeparator(p[2]);
}

// "\\server\share...", but not the "\\?\" and "\\.\" forms, which already go unchanged.
bool isUncRoot(const std::u16string& p) {
    if (p.size() < 5 || !isSeparator(p[0]) || !isSeparator(p[1]) || isSeparator(p[2])) return false;
    if ((p[2] == u'?' || p[2] == u'.') && isSeparator(p[3])) return false;
    std::size_t share = std::find_if(p.begin() + 2, p.end(), isSeparator) - p.begin();
    return share + 1 < p.size() && !isSeparator(p[share + 1]);
}

LPCWSTR wide(const std::u16string& text) {
    return reinterpret_cast<LPCWSTR>(text.c_str());
}

}  // namespace

// The name handed to the system. The long form is taken literally, so a long path is first
// made what the plain form would mean: separators as backslashes, "." and ".." resolved.
// UTF-16 strings throughout: std::wstring would bring a second string library into the module.
std::u16string longFormPath(const std::u16string& p) {
    if (p.size() <= kLongPath) return p;
    const bool drive = isDriveRoot(p);
    if (!drive && !isUncRoot(p)) return p;
    const DWORD needed = GetFullPathNameW(wide(p), 0, nullptr, nullptr);
    std::u16string full(needed, u'\0');
    const DWORD length =
        needed ? GetFullPathNameW(wide(p), needed, reinterpret_cast<LPWSTR>(full.data()), nullptr)
               : 0;
    if (length == 0 || length >= needed) {
        full = p;
        std::replace(full.begin(), full.end(), u'/', u'\\');
    } else {
        full.resize(length);
    }
    return drive ? u"\\\\?\\" + full : u"\\\\?\\UNC\\" + full.substr(2);
}

void closeSystemFile(SystemFile file) {
    CloseHandle(file);
}

ImageFile::ImageFile(const std::u16string& path) {
    if (fileObserver().onOpen) fileObserver().onOpen(path);
    file_.reset(CreateFileW(wide(longFormPath(path)), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file_ && GetFileType(file_.get()) != FILE_TYPE_DISK) file_.reset();
}

std::int64_t ImageFile::size() const {
    LARGE_INTEGER size{};
    if (!isOpen() || !GetFileSizeEx(file_.get(), &size)) return -1;
    return size.QuadPart;
}

bool ImageFile::seek(std::int64_t offset) {
    if (fileObserver().onSeek) fileObserver().onSeek(offset, false);
    LARGE_INTEGER to{};
    to.QuadPart = offset;
    return isOpen() && offset >= 0 && SetFilePointerEx(file_.get(), to, nullptr, FILE_BEGIN);
}

bool ImageFile::seekRelative(std::int64_t delta) {
    if (fileObserver().onSeek) fileObserver().onSeek(delta, true);
    LARGE_INTEGER by{};
    by.QuadPart = delta;
    return isOpen() && SetFilePointerEx(file_.get(), by, nullptr, FILE_CURRENT);
}

std::size_t ImageFile::read(std::uint8_t* buffer, std::size_t count) {
    std::size_t done = 0;
    while (isOpen() && done < count) {
        DWORD got = 0;
        DWORD want = static_cast<DWORD>(count - done);
        if (!ReadFile(file_.get(), buffer + done, want, &got, nullptr) || got == 0) break;
        done += got;
    }
    if (fileObserver().onRead) fileObserver().onRead(count, done);
    return done;
}

std::int64_t fileSize(const std::u16string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(wide(longFormPath(path)), GetFileExInfoStandard, &data)) return -1;
    if (data.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) return -1;
    return (static_cast<std::int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

}  // namespace qvx
