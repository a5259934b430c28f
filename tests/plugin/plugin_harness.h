// What the plug-in tests share: the built module loaded as the file manager loads it, a stand-in
// viewer window for it to live in, the debugger output, and child runs of this program.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <tuple>
#include <vector>

#include "base/win32_handles.h"
#include "debug_channel.h"
#include "disk/format.h"
#include "disk/image.h"
#include "support/image_kinds.h"

namespace qvx::test {

using ListLoadFunction = HWND(__stdcall*)(HWND parent, char* fileToLoad, int showFlags);
using ListLoadWFunction = HWND(__stdcall*)(HWND parent, wchar_t* fileToLoad, int showFlags);
using ListCloseWindowFunction = void(__stdcall*)(HWND window);
using ListGetDetectStringFunction = void(__stdcall*)(char* buffer, int maxLength);
using ListSendCommandFunction = int(__stdcall*)(HWND window, int command, int parameter);

// Every image type, with and without error bytes, as test parameters, and a name for each.
using ImageKind = std::tuple<DiskType, bool>;
inline auto everyImageKind() {
    return ::testing::Combine(::testing::ValuesIn(kEveryType), ::testing::Bool());
}
std::string imageKindName(const ::testing::TestParamInfo<ImageKind>& info);

inline LPCWSTR wide(const std::u16string& text) {
    return reinterpret_cast<LPCWSTR>(text.c_str());
}

// The folder of this test program.
std::u16string programFolder();

// Full path of the built qvx.wlx and the folder it lies in.
std::u16string pluginPath();
std::u16string pluginFolder();

// Whether a file of that name lies beside the module.
bool besideModule(const std::u16string& fileName);
// The face the viewer draws with: the display font's when it lies beside the module, else
// QVX Mono's when that does, else the display font's all the same.
std::u16string expectedFace();

// The one listener on the debugger output, for the whole test program.
DebugChannel& debugChannel();

// The module, loaded once per process the way the host does it: RichEdit registered first, the
// DLL directory set to the module's folder.
struct Plugin {
    Library module;
    ListLoadFunction listLoad = nullptr;
    ListLoadWFunction listLoadW = nullptr;
    ListCloseWindowFunction listCloseWindow = nullptr;
    ListGetDetectStringFunction listGetDetectString = nullptr;
    ListSendCommandFunction listSendCommand = nullptr;
    std::vector<std::string> startupLines;  // what the load wrote to the debugger output
};
const Plugin& plugin();

// Looks up the five entry points of a loaded module; false if one is missing.
bool bindEntryPoints(Plugin& plugin);

// The host's viewer window: a top-level window that records the WM_COMMANDs it gets.
class HostWindow {
  public:
    HostWindow();
    HWND get() const { return window_.get(); }
    // Delivers what is queued for this thread; returns the (wParam, lParam) of each WM_COMMAND
    // that arrived since the last call.
    std::vector<std::pair<WPARAM, LPARAM>> commands();

  private:
    Window window_;
};

// Records the arguments of every window created on this thread while it lives.
class CreationSpy {
  public:
    struct Creation {
        HWND window;
        std::u16string className;
        std::u16string title;
        LONG style;
        DWORD exStyle;
        int x, y, cx, cy;
        HWND parent;
        HMENU menu;
        HINSTANCE instance;
        LPVOID createParams;
    };
    CreationSpy();
    ~CreationSpy();
    CreationSpy(const CreationSpy&) = delete;
    CreationSpy& operator=(const CreationSpy&) = delete;
    std::vector<Creation> creations;

  private:
    WindowsHook hook_;
};

// What a RichEdit window shows.
std::u16string windowText(HWND window);
struct TextAppearance {
    DWORD mask;
    DWORD effects;
    COLORREF textColour;
    std::u16string face;
    COLORREF background;
};
TextAppearance appearance(HWND window);

// The record the plug-in keeps in the window's user-data slot.
DiskImage* recordOf(HWND window);

// The path in the system ANSI code page, as the host passes it; and back.
std::string toAnsi(const std::u16string& text);
std::u16string fromAnsi(const std::string& text);
// Windows separators, as the host writes paths.
std::string windowsPath(std::string path);

// What loading path in this process gives, for comparison with the plug-in's window.
struct ReferenceLoad {
    DiskImage image;
    std::u16string listing;
    std::vector<std::string> traceLines;
};
ReferenceLoad referenceLoad(const std::string& ansiPath);

// A small image of the type: a header, three files and a scratched slot; with error bytes, a few
// of them set. Returns its path in the host's form.
std::string sampleImage(DiskType type, bool errorBytes);

// ListLoad under a creation spy, with the lines it wrote.
struct OpenedViewer {
    HWND window;
    std::vector<std::string> lines;
    std::vector<CreationSpy::Creation> creations;
};
OpenedViewer openViewer(const HostWindow& host, const std::string& ansiPath, int showFlags = 0);

// Runs this program again with arguments (the child modes in main.cpp); returns its exit code
// and the lines it wrote to the debugger output.
struct ChildRun {
    DWORD exitCode;
    std::vector<std::string> lines;
};
ChildRun runChild(const std::vector<std::u16string>& arguments);

// The child mode: loads the plug-in from path, with the DLL directory set first when given, and
// opens file in a viewer window when given. Returns the process exit code.
int childMain(const std::vector<std::u16string>& arguments);

std::u16string u16(const std::string& ascii);
std::string narrow(const std::u16string& ascii);

}  // namespace qvx::test
