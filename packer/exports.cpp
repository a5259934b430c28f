// The packer entry points, one source for both systems: stdcall exports with plain names on
// Windows, plain C names on Linux; UTF-16 as char16_t on both (Windows' wchar_t has its layout),
// 8-bit text in the ANSI code page on Windows and in UTF-8 on Linux.
#include <algorithm>
#include <iterator>
#include <string>

#include "base/ansi_text.h"
#include "base/trace.h"
#include "packer/entry_points.h"
#include "packer/settings.h"

// Neither a constant nor a function can carry a calling convention or a linkage attribute.
#ifdef _WIN32
#define QVX_PACKER_ENTRY __attribute__((dllexport, stdcall))
#define QVX_PACKER_CALLBACK __attribute__((stdcall))
#else
#define QVX_PACKER_ENTRY __attribute__((visibility("default")))
#define QVX_PACKER_CALLBACK
#endif

namespace {

using namespace qvx::packer;

using ProcessDataProc = int(QVX_PACKER_CALLBACK*)(char* fileName, int size);
using ProcessDataProcW = int(QVX_PACKER_CALLBACK*)(char16_t* fileName, int size);
using ChangeVolProc = int(QVX_PACKER_CALLBACK*)(char* arcName, int mode);
using ChangeVolProcW = int(QVX_PACKER_CALLBACK*)(char16_t* arcName, int mode);

#ifdef _WIN32
constexpr char16_t kSeparator = u'\\';
#else
constexpr char16_t kSeparator = u'/';

// The host's standard error takes the trace, as it takes the lister's.
__attribute__((constructor)) void attachProcess() {
    try {
        qvx::setTraceSink(qvx::writeStandardErrorLine);
    } catch (...) {
    }
}
#endif

std::u16string fromWide(const char16_t* text) {
    return text == nullptr ? std::u16string() : std::u16string(text);
}

}  // namespace

extern "C" {

QVX_PACKER_ENTRY void* OpenArchive(OpenArchiveData* data) {
    if (data == nullptr) return nullptr;
    try {
        return openHandle(qvx::fromAnsi(data->arcName), data->openMode, data->openResult);
    } catch (...) {
        data->openResult = kNoMemory;
        return nullptr;
    }
}

QVX_PACKER_ENTRY void* OpenArchiveW(OpenArchiveDataW* data) {
    if (data == nullptr) return nullptr;
    try {
        return openHandle(fromWide(data->arcName), data->openMode, data->openResult);
    } catch (...) {
        data->openResult = kNoMemory;
        return nullptr;
    }
}

QVX_PACKER_ENTRY int ReadHeader(void* handle, HeaderData* header) {
    return readHeader(handle, header);
}

QVX_PACKER_ENTRY int ReadHeaderEx(void* handle, HeaderDataEx* header) {
    return readHeaderEx(handle, header);
}

QVX_PACKER_ENTRY int ReadHeaderExW(void* handle, HeaderDataExW* header) {
    return readHeaderExW(handle, header);
}

QVX_PACKER_ENTRY int ProcessFile(void* handle, int operation, char* destPath, char* destName) {
    try {
        return processHandle(
            handle, operation,
            destinationOf(qvx::fromAnsi(destPath), qvx::fromAnsi(destName), kSeparator));
    } catch (...) {
        return kNoMemory;
    }
}

QVX_PACKER_ENTRY int ProcessFileW(void* handle, int operation, char16_t* destPath,
                                  char16_t* destName) {
    try {
        return processHandle(handle, operation,
                             destinationOf(fromWide(destPath), fromWide(destName), kSeparator));
    } catch (...) {
        return kNoMemory;
    }
}

QVX_PACKER_ENTRY int CloseArchive(void* handle) {
    return closeHandle(handle);
}

// One image is one volume: there is never a next one to ask for.
QVX_PACKER_ENTRY void SetChangeVolProc(void* /*handle*/, ChangeVolProc /*proc*/) {}

QVX_PACKER_ENTRY void SetChangeVolProcW(void* /*handle*/, ChangeVolProcW /*proc*/) {}

QVX_PACKER_ENTRY void SetProcessDataProc(void* handle, ProcessDataProc proc) {
    if (proc == nullptr) return setProgress(handle, nullptr, false);
    setProgress(
        handle,
        [proc](const std::u16string& name, std::int32_t bytes) {
            std::string ansi = qvx::toAnsi(name);
            return proc(ansi.data(), bytes) != 0;
        },
        false);
}

QVX_PACKER_ENTRY void SetProcessDataProcW(void* handle, ProcessDataProcW proc) {
    if (proc == nullptr) return setProgress(handle, nullptr, true);
    setProgress(
        handle,
        [proc](const std::u16string& name, std::int32_t bytes) {
            std::u16string wide = name;
            return proc(wide.data(), bytes) != 0;
        },
        true);
}

QVX_PACKER_ENTRY int GetPackerCaps() {
    return kPackerCaps;
}

QVX_PACKER_ENTRY int GetBackgroundFlags() {
    return kBackgroundUnpack;
}

// The host's settings file, read for the packer's options at each OpenArchive.
QVX_PACKER_ENTRY void PackSetDefaultParams(PackDefaultParams* params) {
    if (params == nullptr) return;
    try {
        const auto length = static_cast<std::size_t>(
            std::find(params->defaultIniName, std::end(params->defaultIniName), '\0') -
            params->defaultIniName);
        const std::u16string path =
            qvx::fromAnsi(std::string(params->defaultIniName, length).c_str());
        qvx::logCall(u"PackSetDefaultParams", path, params->size);
        qvx::packer::setSettingsFile(path);
    } catch (...) {
    }
}

QVX_PACKER_ENTRY int CanYouHandleThisFile(char* fileName) {
    try {
        return canHandle(qvx::fromAnsi(fileName)) ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

QVX_PACKER_ENTRY int CanYouHandleThisFileW(char16_t* fileName) {
    try {
        return canHandle(fromWide(fileName)) ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

}  // extern "C"
