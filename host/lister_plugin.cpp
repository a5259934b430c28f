// Loading the plug-in module the way the file manager does.
#include "host/lister_plugin.h"

#include <stdexcept>
#include <vector>

#include "host/wide_text.h"

namespace qvx::host {

namespace {

std::wstring fullPath(const std::wstring& path) {
    DWORD n = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (n == 0) return path;
    std::wstring out(n, L'\0');
    n = GetFullPathNameW(path.c_str(), n, out.data(), nullptr);
    out.resize(n);
    return out;
}

// Null when the module lacks the export.
template <typename Func>
Func optionalExport(HMODULE module, const char* name) {
    // The exports are stdcall functions of these exact types; FARPROC is only the carrier.
    return reinterpret_cast<Func>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

template <typename Func>
Func exported(HMODULE module, const char* name) {
    Func f = optionalExport<Func>(module, name);
    if (!f) throw std::runtime_error(std::string("the plug-in does not export ") + name);
    return f;
}

}  // namespace

PluginFileName::PluginFileName(const std::wstring& path) : wide(path) {
    std::string text = toAnsi(path);
    ansi.assign(text.begin(), text.end());
    ansi.push_back('\0');
}

ListerPlugin::ListerPlugin(const std::wstring& path, bool forceAnsi) : path_(fullPath(path)) {
    auto slash = path_.find_last_of(L"\\/");
    directory_ = slash == std::wstring::npos ? std::wstring() : path_.substr(0, slash);
    if (directory_.size() == 2 && directory_[1] == L':') directory_ += L'\\';
    if (!SetDllDirectoryW(directory_.c_str()))
        throw std::runtime_error("cannot set the DLL directory to " + utf8(directory_));
    module_.reset(LoadLibraryW(path_.c_str()));
    if (!module_)
        throw std::runtime_error("cannot load the plug-in " + utf8(path_) + " (error " +
                                 std::to_string(GetLastError()) + ")");
    listLoad = exported<ListLoadFunc>(module_.get(), "ListLoad");
    listCloseWindow = exported<ListCloseWindowFunc>(module_.get(), "ListCloseWindow");
    listGetDetectString = exported<ListGetDetectStringFunc>(module_.get(), "ListGetDetectString");
    listSendCommand = exported<ListSendCommandFunc>(module_.get(), "ListSendCommand");
    listGetPreviewBitmap =
        optionalExport<ListGetPreviewBitmapFunc>(module_.get(), "ListGetPreviewBitmap");
    if (!forceAnsi) {
        listLoadW = optionalExport<ListLoadWFunc>(module_.get(), "ListLoadW");
        listGetPreviewBitmapW =
            optionalExport<ListGetPreviewBitmapWFunc>(module_.get(), "ListGetPreviewBitmapW");
    }
}

HBITMAP ListerPlugin::preview(PluginFileName& name, int width, int height,
                              std::vector<char>& content) const {
    const int length = static_cast<int>(content.size());
    if (listGetPreviewBitmapW)
        return listGetPreviewBitmapW(name.wide.data(), width, height, content.data(), length);
    if (listGetPreviewBitmap)
        return listGetPreviewBitmap(name.ansi.data(), width, height, content.data(), length);
    return nullptr;
}

HWND ListerPlugin::load(HWND parent, PluginFileName& name, int showFlags) const {
    if (listLoadW) return listLoadW(parent, name.wide.data(), showFlags);
    return listLoad(parent, name.ansi.data(), showFlags);
}

ListerPlugin::~ListerPlugin() = default;

std::wstring besideProgram(const std::wstring& fileName) {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n < buffer.size()) {
            std::wstring self(buffer.data(), n);
            auto slash = self.find_last_of(L"\\/");
            return self.substr(0, slash == std::wstring::npos ? 0 : slash + 1) + fileName;
        }
        buffer.resize(buffer.size() * 2);
    }
}

}  // namespace qvx::host
