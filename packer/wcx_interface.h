// The packer interface as file managers declare it: codes, flags and the packed records they pass.
// Shared by the Windows and the Linux module: both widths, UTF-16 as char16_t everywhere.
#pragma once

#include <cstdint>

namespace qvx::packer {

// Results of the entry points.
constexpr int kOk = 0;
constexpr int kEndArchive = 10;
constexpr int kNoMemory = 11;
constexpr int kBadData = 12;
constexpr int kBadArchive = 13;
constexpr int kUnknownFormat = 14;
constexpr int kCannotOpen = 15;
constexpr int kCannotCreate = 16;
constexpr int kAborted = 21;
constexpr int kNotSupported = 24;

// OpenArchive's modes and ProcessFile's operations.
constexpr int kOpenList = 0;
constexpr int kOpenExtract = 1;
constexpr int kSkip = 0;
constexpr int kTest = 1;
constexpr int kExtract = 2;

// Read-only: several files at a time, and opened by content (Ctrl+PgDn) as well as by extension.
constexpr int kCapsMultiple = 4;
constexpr int kCapsByContent = 64;
constexpr int kPackerCaps = kCapsMultiple | kCapsByContent;
// Each handle stands alone, so a host may extract in a background thread.
constexpr int kBackgroundUnpack = 1;

// Attributes: Windows FILE_ATTRIBUTE_*, Unix modes (regular file, rw-r--r-- or r--r--r--).
constexpr std::uint32_t kWindowsReadOnly = 0x01;
constexpr std::uint32_t kWindowsArchive = 0x20;
constexpr std::uint32_t kUnixFile = 0100644;
constexpr std::uint32_t kUnixReadOnlyFile = 0100444;

// Hosts declare these records packed; the natural C layout would put every field from CmtBuf on
// 4 to 8 bytes later on 64-bit and make the host's buffers look too short.
#pragma pack(push, 1)

struct OpenArchiveData {
    char* arcName;
    std::int32_t openMode;
    std::int32_t openResult;
    char* cmtBuf;
    std::int32_t cmtBufSize;
    std::int32_t cmtSize;
    std::int32_t cmtState;
};

struct OpenArchiveDataW {
    char16_t* arcName;
    std::int32_t openMode;
    std::int32_t openResult;
    char16_t* cmtBuf;
    std::int32_t cmtBufSize;
    std::int32_t cmtSize;
    std::int32_t cmtState;
};

struct HeaderData {
    char arcName[260];
    char fileName[260];
    std::int32_t flags;
    std::int32_t packSize;
    std::int32_t unpSize;
    std::int32_t hostOS;
    std::int32_t fileCRC;
    std::int32_t fileTime;
    std::int32_t unpVer;
    std::int32_t method;
    std::int32_t fileAttr;
    char* cmtBuf;
    std::int32_t cmtBufSize;
    std::int32_t cmtSize;
    std::int32_t cmtState;
};

template <typename Char>
struct HeaderDataExOf {
    Char arcName[1024];
    Char fileName[1024];
    std::int32_t flags;
    std::uint32_t packSize;
    std::uint32_t packSizeHigh;
    std::uint32_t unpSize;
    std::uint32_t unpSizeHigh;
    std::int32_t hostOS;
    std::int32_t fileCRC;
    std::int32_t fileTime;
    std::int32_t unpVer;
    std::int32_t method;
    std::int32_t fileAttr;
    char* cmtBuf;
    std::int32_t cmtBufSize;
    std::int32_t cmtSize;
    std::int32_t cmtState;
    char reserved[1024];
};
using HeaderDataEx = HeaderDataExOf<char>;
using HeaderDataExW = HeaderDataExOf<char16_t>;

// What PackSetDefaultParams passes: the interface's version and the host's settings file.
struct PackDefaultParams {
    std::int32_t size;
    std::uint32_t piHiVersion;
    std::uint32_t piLoVersion;
    char defaultIniName[260];
};

#pragma pack(pop)

}  // namespace qvx::packer
