// The module file itself: its exports, their calling convention, what it imports, its resources.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "plugin_harness.h"
#include "qvx_version.h"

namespace qvx::test {
namespace {

// The module has the width of the program that loads it, and a name file managers of that width
// look for.
constexpr bool kSixtyFourBit = sizeof(void*) == 8;
constexpr const char16_t* kModuleName = kSixtyFourBit ? u"qvx.wlx64" : u"qvx.wlx";
constexpr WORD kMachine = kSixtyFourBit ? IMAGE_FILE_MACHINE_AMD64 : IMAGE_FILE_MACHINE_I386;
constexpr WORD kOptionalHeaderMagic =
    kSixtyFourBit ? IMAGE_NT_OPTIONAL_HDR64_MAGIC : IMAGE_NT_OPTIONAL_HDR32_MAGIC;
constexpr const char* kManifestArchitecture = kSixtyFourBit ? "amd64" : "x86";

const std::uint8_t* base() {
    return reinterpret_cast<const std::uint8_t*>(plugin().module.get());
}

// The headers of this program's width, which the module's are checked to be.
const IMAGE_NT_HEADERS& ntHeaders() {
    const auto& dos = *reinterpret_cast<const IMAGE_DOS_HEADER*>(base());
    return *reinterpret_cast<const IMAGE_NT_HEADERS*>(base() + dos.e_lfanew);
}

template <typename T>
const T* at(DWORD rva) {
    return reinterpret_cast<const T*>(base() + rva);
}

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

TEST(Module, IsADllOfThisWidthNamedForIt) {
    const IMAGE_NT_HEADERS& nt = ntHeaders();
    EXPECT_EQ(nt.Signature, DWORD{IMAGE_NT_SIGNATURE});
    EXPECT_EQ(nt.FileHeader.Machine, kMachine);
    ASSERT_EQ(nt.OptionalHeader.Magic, kOptionalHeaderMagic);
    EXPECT_NE(nt.FileHeader.Characteristics & IMAGE_FILE_DLL, 0);
    std::u16string path = pluginPath();
    EXPECT_EQ(path.substr(path.rfind(u'\\') + 1), kModuleName);
}

TEST(Module, ExportsTheSevenEntryPointsByPlainName) {
    const IMAGE_DATA_DIRECTORY& directory =
        ntHeaders().OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    ASSERT_NE(directory.VirtualAddress, 0u);
    const auto& exports = *at<IMAGE_EXPORT_DIRECTORY>(directory.VirtualAddress);
    EXPECT_EQ(exports.NumberOfFunctions, 7u);
    const DWORD* names = at<DWORD>(exports.AddressOfNames);
    const WORD* ordinals = at<WORD>(exports.AddressOfNameOrdinals);
    const DWORD* functions = at<DWORD>(exports.AddressOfFunctions);
    std::vector<std::string> found;
    for (DWORD i = 0; i < exports.NumberOfNames; ++i) {
        std::string name = at<char>(names[i]);
        found.push_back(name);
        // The name leads to the code GetProcAddress finds.
        EXPECT_EQ(
            reinterpret_cast<FARPROC>(const_cast<std::uint8_t*>(base()) + functions[ordinals[i]]),
            GetProcAddress(plugin().module.get(), name.c_str()))
            << name;
    }
    EXPECT_EQ(found, (std::vector<std::string>{"ListCloseWindow", "ListGetDetectString",
                                               "ListGetPreviewBitmap", "ListGetPreviewBitmapW",
                                               "ListLoad", "ListLoadW", "ListSendCommand"}));
}

#if defined(__i386__)
// Calls function with the arguments pushed right to left; returns the bytes it left on the stack.
std::uint32_t bytesLeftByCall(const void* function, const std::vector<std::uint32_t>& arguments) {
    std::uint32_t left;
    std::uint32_t count = static_cast<std::uint32_t>(arguments.size());
    const std::uint32_t* values = arguments.data();
    asm volatile(
        "movl %%esp, %%edi\n\t"
        "1:\n\t"
        "testl %%ecx, %%ecx\n\t"
        "jz 2f\n\t"
        "pushl -4(%%esi,%%ecx,4)\n\t"
        "decl %%ecx\n\t"
        "jmp 1b\n\t"
        "2:\n\t"
        "call *%%ebx\n\t"
        "movl %%edi, %%eax\n\t"
        "subl %%esp, %%eax\n\t"
        "movl %%edi, %%esp\n\t"
        : "=a"(left), "+c"(count), "+S"(values), "+b"(function)
        :
        : "edx", "edi", "memory", "cc");
    return left;
}

// The callee removes its arguments (stdcall): nothing is left on the stack after the call.
TEST(Module, EntryPointsRemoveTheirArguments) {
    const Plugin& p = plugin();
    HostWindow host;
    std::string path = sampleImage(kTypeD64, false);
    std::vector<char> buffer(80, 0);
    auto word = [](auto value) {
        return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(value));
    };

    EXPECT_EQ(bytesLeftByCall(reinterpret_cast<const void*>(p.listGetDetectString),
                              {word(buffer.data()), static_cast<std::uint32_t>(buffer.size())}),
              0u);
    EXPECT_EQ(std::string(buffer.data()).size(), 69u);

    // Both load entry points, each with its own window, the first closed again at once.
    std::u16string widePath = fromAnsi(path);
    const std::pair<const void*, std::uint32_t> loads[] = {
        {reinterpret_cast<const void*>(p.listLoadW), word(widePath.data())},
        {reinterpret_cast<const void*>(p.listLoad), word(path.data())}};
    HWND window = nullptr;
    for (const auto& [load, name] : loads) {
        if (window != nullptr) p.listCloseWindow(window);
        debugChannel().take();
        EXPECT_EQ(bytesLeftByCall(load, {word(host.get()), name, 0u}), 0u);
        std::vector<std::string> lines = debugChannel().take();
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines[0], "QVX: ListLoad - called for '" + path + "'; flags=$0");
        window = FindWindowExW(host.get(), nullptr, nullptr, nullptr);
        ASSERT_NE(window, nullptr);
    }

    // Both thumbnail entry points, asked for a box of no area: no bitmap to own afterwards.
    for (const char* name : {"ListGetPreviewBitmap", "ListGetPreviewBitmapW"}) {
        const void* preview = reinterpret_cast<const void*>(GetProcAddress(p.module.get(), name));
        ASSERT_NE(preview, nullptr) << name;
        const bool wide = std::string(name).back() == 'W';
        const std::uint32_t file = wide ? word(widePath.data()) : word(path.data());
        debugChannel().take();
        EXPECT_EQ(bytesLeftByCall(preview, {file, 0u, 0u, word(buffer.data()), 64u}), 0u) << name;
        EXPECT_EQ(debugChannel().take(),
                  std::vector<std::string>{"QVX: ListGetPreviewBitmap - called for '" + path +
                                           "'; size=0x0"})
            << name;
    }

    EXPECT_EQ(
        bytesLeftByCall(reinterpret_cast<const void*>(p.listSendCommand), {word(window), 2u, 0u}),
        0u);
    EXPECT_EQ(recordOf(window)->showState, 1);
    EXPECT_EQ(bytesLeftByCall(reinterpret_cast<const void*>(p.listCloseWindow), {word(window)}),
              0u);
    EXPECT_FALSE(IsWindow(window));
}
#endif

// Only DLLs of the system: the language runtime is linked in.
TEST(Module, ImportsOnlySystemDlls) {
    const IMAGE_DATA_DIRECTORY& directory =
        ntHeaders().OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    ASSERT_NE(directory.VirtualAddress, 0u);
    wchar_t systemFolder[MAX_PATH] = {};
    ASSERT_NE(GetSystemDirectoryW(systemFolder, MAX_PATH), 0u);
    std::string system = lower(toAnsi(reinterpret_cast<const char16_t*>(systemFolder))) + "\\";

    std::vector<std::string> imported;
    for (const auto* entry = at<IMAGE_IMPORT_DESCRIPTOR>(directory.VirtualAddress);
         entry->Name != 0; ++entry) {
        std::string name = at<char>(entry->Name);
        imported.push_back(lower(name));
        HMODULE module = GetModuleHandleA(name.c_str());
        ASSERT_NE(module, nullptr) << name;
        char file[MAX_PATH] = {};
        GetModuleFileNameA(module, file, MAX_PATH);
        EXPECT_EQ(lower(file).compare(0, system.size(), system), 0) << name << " is " << file;
    }
    EXPECT_NE(std::find(imported.begin(), imported.end(), "user32.dll"), imported.end());
    EXPECT_NE(std::find(imported.begin(), imported.end(), "gdi32.dll"), imported.end());
}

class VersionRecord {
  public:
    VersionRecord() {
        DWORD ignored = 0;
        DWORD size = GetFileVersionInfoSizeW(wide(pluginPath()), &ignored);
        data_.resize(size);
        if (size != 0) GetFileVersionInfoW(wide(pluginPath()), 0, size, data_.data());
    }
    bool empty() const { return data_.empty(); }

    const VS_FIXEDFILEINFO* fixed() { return static_cast<const VS_FIXEDFILEINFO*>(query(u"\\")); }
    // A string of the record's first language.
    std::u16string text(const std::u16string& key) {
        const auto* translation = static_cast<const WORD*>(query(u"\\VarFileInfo\\Translation"));
        if (translation == nullptr) return u"(no translation)";
        wchar_t block[32];
        wsprintfW(block, L"\\StringFileInfo\\%04x%04x\\", translation[0], translation[1]);
        const auto* value =
            static_cast<const char16_t*>(query(reinterpret_cast<const char16_t*>(block) + key));
        return value == nullptr ? u"(missing)" : value;
    }

  private:
    const void* query(const std::u16string& path) {
        void* value = nullptr;
        UINT length = 0;
        if (!VerQueryValueW(data_.data(), wide(path), &value, &length)) return nullptr;
        return value;
    }
    std::vector<std::uint8_t> data_;
};

TEST(Module, CarriesTheProjectVersion) {
    VersionRecord record;
    ASSERT_FALSE(record.empty());
    const VS_FIXEDFILEINFO* fixed = record.fixed();
    ASSERT_NE(fixed, nullptr);
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(fixed->dwFileType, DWORD{VFT_DLL});
    for (auto [high, low] : {std::pair{fixed->dwFileVersionMS, fixed->dwFileVersionLS},
                             std::pair{fixed->dwProductVersionMS, fixed->dwProductVersionLS}}) {
        EXPECT_EQ(HIWORD(high), QVX_VERSION_MAJOR);
        EXPECT_EQ(LOWORD(high), QVX_VERSION_MINOR);
        EXPECT_EQ(HIWORD(low), QVX_VERSION_PATCH);
        EXPECT_EQ(LOWORD(low), 0);
    }
    const std::u16string version = u16(QVX_VERSION_STRING);
    const std::pair<std::u16string, std::u16string> strings[] = {
        {u"FileVersion", version},
        {u"ProductVersion", version},
        {u"ProductName", u"QVX"},
        {u"InternalName", u"QVX"},
        {u"OriginalFilename", kModuleName}};
    for (const auto& [key, value] : strings) EXPECT_EQ(record.text(key), value) << narrow(key);
}

// The manifest a DLL keeps for its own activation context names common controls 6 for its
// processor.
TEST(Module, AsksForCommonControlsSix) {
    HMODULE module = plugin().module.get();
    HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(2), MAKEINTRESOURCEW(24));
    ASSERT_NE(resource, nullptr);
    const char* bytes = static_cast<const char*>(LockResource(LoadResource(module, resource)));
    ASSERT_NE(bytes, nullptr);
    std::string manifest(bytes, SizeofResource(module, resource));

    std::size_t start = manifest.find("name=\"Microsoft.Windows.Common-Controls\"");
    ASSERT_NE(start, std::string::npos) << manifest;
    std::size_t open = manifest.rfind("<assemblyIdentity", start);
    std::size_t close = manifest.find("/>", start);
    ASSERT_NE(open, std::string::npos);
    ASSERT_NE(close, std::string::npos);
    std::string identity = manifest.substr(open, close - open);
    EXPECT_NE(identity.find("version=\"6.0.0.0\""), std::string::npos) << identity;
    EXPECT_NE(identity.find("processorArchitecture=\"" + std::string(kManifestArchitecture) + "\""),
              std::string::npos)
        << identity;
    EXPECT_NE(identity.find("type=\"win32\""), std::string::npos) << identity;
    // No other manifest ids: 1 would be taken as an executable's.
    EXPECT_EQ(FindResourceW(module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24)), nullptr);
}

}  // namespace
}  // namespace qvx::test
