// File layer on Windows: CreateFileW with full sharing, so that viewing never blocks other programs.
#include <windows.h>

#include "disk/file.h"

namespace qvx {

namespace {
const wchar_t* wide(const std::u16string& path) {
    return reinterpret_cast<const wchar_t*>(path.c_str());
}
}  // namespace

ImageFile::ImageFile(const std::u16string& path) : handle_(INVALID_HANDLE_VALUE) {
    if (fileObserver().onOpen) fileObserver().onOpen(path);
    HANDLE h = CreateFileW(wide(path), GENERIC_READ,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return;
    if (GetFileType(h) != FILE_TYPE_DISK) {
        CloseHandle(h);
        return;
    }
    handle_ = h;
}

ImageFile::~ImageFile() { close(); }

ImageFile::ImageFile(ImageFile&& other) noexcept : handle_(other.handle_) {
    other.handle_ = INVALID_HANDLE_VALUE;
}

ImageFile& ImageFile::operator=(ImageFile&& other) noexcept {
    if (this != &other) {
        close();
        handle_ = other.handle_;
        other.handle_ = INVALID_HANDLE_VALUE;
    }
    return *this;
}

void ImageFile::close() {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
}

bool ImageFile::isOpen() const { return handle_ != INVALID_HANDLE_VALUE; }

std::int64_t ImageFile::size() const {
    LARGE_INTEGER size{};
    if (!isOpen() || !GetFileSizeEx(handle_, &size)) return -1;
    return size.QuadPart;
}

bool ImageFile::seek(std::int64_t offset) {
    if (fileObserver().onSeek) fileObserver().onSeek(offset, false);
    LARGE_INTEGER to{};
    to.QuadPart = offset;
    return isOpen() && offset >= 0 && SetFilePointerEx(handle_, to, nullptr, FILE_BEGIN);
}

bool ImageFile::seekRelative(std::int64_t delta) {
    if (fileObserver().onSeek) fileObserver().onSeek(delta, true);
    LARGE_INTEGER by{};
    by.QuadPart = delta;
    return isOpen() && SetFilePointerEx(handle_, by, nullptr, FILE_CURRENT);
}

std::size_t ImageFile::read(std::uint8_t* buffer, std::size_t count) {
    std::size_t done = 0;
    while (isOpen() && done < count) {
        DWORD got = 0;
        DWORD want = static_cast<DWORD>(count - done);
        if (!ReadFile(handle_, buffer + done, want, &got, nullptr) || got == 0) break;
        done += got;
    }
    if (fileObserver().onRead) fileObserver().onRead(count, done);
    return done;
}

std::int64_t fileSize(const std::u16string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(wide(path), GetFileExInfoStandard, &data)) return -1;
    if (data.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) return -1;
    return (static_cast<std::int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

}  // namespace qvx
