// Plays the file manager for the packer module, as Double Commander and its kin call it: the
// module's answers, then for each image a listing (open, headers, skip each) and an extraction of
// every file into OUTDIR\<image number>. Reports each step as text lines on standard output:
//
//   packer_host MODULE OUTDIR [--ansi] IMAGE...
//
//   caps N / background N           GetPackerCaps, GetBackgroundFlags
//   image K PATH                    K from 0; then: handles Y|N, open RESULT,
//   list NAME SIZE TIME ATTR        one per header of the listing (TIME in hexadecimal)
//   end CODE                        what ended the headers
//   file RESULT NAME                one per file extracted
//   progress BYTES                  the bytes the module reported for the image
// --ansi takes the 8-bit entry points (OpenArchive, ReadHeaderEx, ProcessFile) instead of the W
// ones.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/ansi_text.h"
#include "base/text.h"
#include "base/win32_handles.h"
#include "packer/header_fields.h"
#include "packer/wcx_interface.h"

namespace {

using namespace qvx::packer;

using OpenArchiveFunc = HANDLE(__stdcall*)(OpenArchiveData*);
using OpenArchiveWFunc = HANDLE(__stdcall*)(OpenArchiveDataW*);
using ReadHeaderExFunc = int(__stdcall*)(HANDLE, HeaderDataEx*);
using ReadHeaderExWFunc = int(__stdcall*)(HANDLE, HeaderDataExW*);
using ProcessFileFunc = int(__stdcall*)(HANDLE, int, char*, char*);
using ProcessFileWFunc = int(__stdcall*)(HANDLE, int, wchar_t*, wchar_t*);
using CloseArchiveFunc = int(__stdcall*)(HANDLE);
using ProcessDataProc = int(__stdcall*)(char*, int);
using ProcessDataProcW = int(__stdcall*)(wchar_t*, int);
using SetProcessDataProcFunc = void(__stdcall*)(HANDLE, ProcessDataProc);
using SetProcessDataProcWFunc = void(__stdcall*)(HANDLE, ProcessDataProcW);
using ChangeVolProcW = int(__stdcall*)(wchar_t*, int);
using SetChangeVolProcWFunc = void(__stdcall*)(HANDLE, ChangeVolProcW);
using IntFunc = int(__stdcall*)();
using CanYouHandleThisFileWFunc = BOOL(__stdcall*)(wchar_t*);

std::int64_t progressBytes = 0;

int __stdcall countProgress(char*, int size) {
    if (size > 0) progressBytes += size;
    return 1;
}

int __stdcall countProgressW(wchar_t*, int size) {
    if (size > 0) progressBytes += size;
    return 1;
}

int __stdcall noVolume(wchar_t*, int) {
    return 0;
}

template <typename Func>
Func entry(HMODULE module, const char* name) {
    Func f = reinterpret_cast<Func>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    if (f == nullptr) {
        std::printf("missing %s\n", name);
        std::exit(2);
    }
    return f;
}

void say(const std::u16string& line) {
    std::printf("%s\n", qvx::toUtf8(line).c_str());
}

struct Module {
    HMODULE module;
    bool ansi;
    OpenArchiveFunc open = entry<OpenArchiveFunc>(module, "OpenArchive");
    OpenArchiveWFunc openW = entry<OpenArchiveWFunc>(module, "OpenArchiveW");
    ReadHeaderExFunc header = entry<ReadHeaderExFunc>(module, "ReadHeaderEx");
    ReadHeaderExWFunc headerW = entry<ReadHeaderExWFunc>(module, "ReadHeaderExW");
    ProcessFileFunc process = entry<ProcessFileFunc>(module, "ProcessFile");
    ProcessFileWFunc processW = entry<ProcessFileWFunc>(module, "ProcessFileW");
    CloseArchiveFunc close = entry<CloseArchiveFunc>(module, "CloseArchive");
    SetProcessDataProcFunc progress = entry<SetProcessDataProcFunc>(module, "SetProcessDataProc");
    SetProcessDataProcWFunc progressW =
        entry<SetProcessDataProcWFunc>(module, "SetProcessDataProcW");
    SetChangeVolProcWFunc volumeW = entry<SetChangeVolProcWFunc>(module, "SetChangeVolProcW");

    HANDLE openArchive(const std::u16string& path, int mode, int& result) const {
        HANDLE handle = nullptr;
        if (ansi) {
            std::string name = qvx::toAnsi(path);
            OpenArchiveData data{};
            data.arcName = name.data();
            data.openMode = mode;
            handle = open(&data);
            result = data.openResult;
        } else {
            std::u16string name = path;
            OpenArchiveDataW data{};
            data.arcName = name.data();
            data.openMode = mode;
            handle = openW(&data);
            result = data.openResult;
        }
        if (handle != nullptr) {
            volumeW(handle, noVolume);
            progress(handle, countProgress);
            progressW(handle, countProgressW);
        }
        return handle;
    }

    // The next header's name, size, time and attributes; the code that ended the list otherwise.
    int next(HANDLE handle, HeaderFields& fields) const {
        int code = 0;
        std::uint64_t size = 0;
        if (ansi) {
            HeaderDataEx h{};
            code = header(handle, &h);
            fields.fileName = qvx::fromAnsi(h.fileName);
            size = h.unpSize | std::uint64_t{h.unpSizeHigh} << 32;
            fields.fileTime = h.fileTime;
            fields.fileAttr = static_cast<std::uint32_t>(h.fileAttr);
        } else {
            HeaderDataExW h{};
            code = headerW(handle, &h);
            fields.fileName = h.fileName;
            size = h.unpSize | std::uint64_t{h.unpSizeHigh} << 32;
            fields.fileTime = h.fileTime;
            fields.fileAttr = static_cast<std::uint32_t>(h.fileAttr);
        }
        fields.size = size;
        return code;
    }

    // As the host calls it: no folder, the whole target path as the name.
    int processFile(HANDLE handle, int operation, const std::u16string& target) const {
        if (ansi) {
            std::string name = qvx::toAnsi(target);
            return process(handle, operation, nullptr, operation == kSkip ? nullptr : name.data());
        }
        std::u16string name = target;
        return processW(handle, operation, nullptr,
                        operation == kSkip ? nullptr : reinterpret_cast<wchar_t*>(name.data()));
    }
};

void runImage(const Module& m, CanYouHandleThisFileWFunc canHandle, int index,
              const std::u16string& path, const std::u16string& outDir) {
    say(u"image " + qvx::decimal(index) + u" " + path);
    std::u16string name = path;
    say(std::u16string(u"handles ") +
        (canHandle(reinterpret_cast<wchar_t*>(name.data())) ? u"Y" : u"N"));
    int result = -1;
    HANDLE handle = m.openArchive(path, kOpenList, result);
    say(u"open " + qvx::decimal(result));
    if (handle == nullptr) return;
    HeaderFields fields;
    int code = 0;
    while ((code = m.next(handle, fields)) == 0) {
        say(qvx::joined({u"list ", fields.fileName, u" ",
                         qvx::decimal(static_cast<std::int64_t>(fields.size)), u" ",
                         qvx::hex(fields.fileTime), u" ",
                         qvx::hex(static_cast<std::int32_t>(fields.fileAttr))}));
        if (m.processFile(handle, kSkip, u"") != 0) say(u"skip failed");
    }
    say(u"end " + qvx::decimal(code));
    m.close(handle);

    const std::u16string folder = outDir + u"\\" + qvx::decimal(index);
    CreateDirectoryW(reinterpret_cast<LPCWSTR>(folder.c_str()), nullptr);
    progressBytes = 0;
    handle = m.openArchive(path, kOpenExtract, result);
    if (handle == nullptr) return;
    while (m.next(handle, fields) == 0) {
        const int done = m.processFile(handle, kExtract, folder + u"\\" + fields.fileName);
        say(u"file " + qvx::decimal(done) + u" " + fields.fileName);
    }
    m.close(handle);
    say(u"progress " + qvx::decimal(progressBytes));
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        std::printf("usage: packer_host MODULE OUTDIR [--ansi] IMAGE...\n");
        return 2;
    }
    const auto arg = [argv](int i) { return std::u16string(reinterpret_cast<char16_t*>(argv[i])); };
    qvx::Library library(LoadLibraryW(argv[1]));
    if (!library) {
        std::printf("cannot load the module (error %lu)\n", GetLastError());
        return 3;
    }
    int first = 3;
    Module m{library.get(), argc > 3 && arg(3) == u"--ansi"};
    if (m.ansi) ++first;
    std::printf("caps %d\n", entry<IntFunc>(library.get(), "GetPackerCaps")());
    std::printf("background %d\n", entry<IntFunc>(library.get(), "GetBackgroundFlags")());
    const auto canHandle = entry<CanYouHandleThisFileWFunc>(library.get(), "CanYouHandleThisFileW");
    for (int i = first; i < argc; ++i) runImage(m, canHandle, i - first, arg(i), arg(2));
    return 0;
}
