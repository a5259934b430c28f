// The shared test harness of the plug-in tests.
#include "plugin_harness.h"

#include <richedit.h>

#include <algorithm>
#include <stdexcept>
#include <utility>

#include "base/text.h"
#include "render/load.h"
#include "support/image_builder.h"

namespace qvx::test {

namespace {

// Where the build put qvx.wlx, seen from the folder of this program; set by the build.
constexpr char kPluginFromTests[] = QVX_PLUGIN_FROM_TESTS;
constexpr wchar_t kHostClass[] = L"QvxTestHost";
// A child that takes longer than this has hung.
constexpr DWORD kChildPatience = 60000;

std::u16string moduleFile(HMODULE module) {
    std::u16string path(32768, u'\0');
    DWORD length = GetModuleFileNameW(module, reinterpret_cast<LPWSTR>(path.data()),
                                      static_cast<DWORD>(path.size()));
    path.resize(length);
    return path;
}

std::u16string folderOf(const std::u16string& path) {
    return path.substr(0, path.rfind(u'\\'));
}

std::u16string fullPath(const std::u16string& path) {
    std::u16string full(32768, u'\0');
    DWORD length = GetFullPathNameW(wide(path), static_cast<DWORD>(full.size()),
                                    reinterpret_cast<LPWSTR>(full.data()), nullptr);
    full.resize(length);
    return full;
}

std::vector<std::pair<WPARAM, LPARAM>>& receivedCommands() {
    static std::vector<std::pair<WPARAM, LPARAM>> received;
    return received;
}

LRESULT CALLBACK hostProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND) receivedCommands().emplace_back(wParam, lParam);
    return DefWindowProcW(window, message, wParam, lParam);
}

void registerHostClass() {
    static const ATOM atom = [] {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = hostProcedure;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = kHostClass;
        return RegisterClassW(&windowClass);
    }();
    if (atom == 0) throw std::runtime_error("cannot register the host window class");
}

CreationSpy* activeSpy = nullptr;

std::u16string copyText(LPCWSTR text) {
    // Class names may come as atoms, which have no text.
    if (text == nullptr || IS_INTRESOURCE(text)) return {};
    return reinterpret_cast<const char16_t*>(text);
}

LRESULT CALLBACK spyProcedure(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_CREATEWND && activeSpy != nullptr) {
        const CREATESTRUCTW* c = reinterpret_cast<CBT_CREATEWNDW*>(lParam)->lpcs;
        activeSpy->creations.push_back({reinterpret_cast<HWND>(wParam), copyText(c->lpszClass),
                                        copyText(c->lpszName), c->style, c->dwExStyle, c->x, c->y,
                                        c->cx, c->cy, c->hwndParent, c->hMenu, c->hInstance,
                                        c->lpCreateParams});
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

std::u16string commandLineArgument(const std::u16string& argument) {
    return u"\"" + argument + u"\"";
}

}  // namespace

std::u16string u16(const std::string& ascii) {
    return widen(ascii);
}

std::string narrow(const std::u16string& ascii) {
    std::string out;
    for (char16_t c : ascii) out += static_cast<char>(c);
    return out;
}

std::u16string programFolder() {
    return folderOf(moduleFile(nullptr));
}

std::u16string pluginPath() {
    static const std::u16string path =
        fullPath(programFolder() + u"\\" + fromAnsi(windowsPath(kPluginFromTests)));
    return path;
}

std::u16string pluginFolder() {
    return folderOf(pluginPath());
}

bool besideModule(const std::u16string& fileName) {
    return GetFileAttributesW(wide(pluginFolder() + u"\\" + fileName)) != INVALID_FILE_ATTRIBUTES;
}

std::u16string expectedFace() {
    if (!besideModule(u"C64_Pro_Mono-STYLE.ttf") && besideModule(u"QVX-Mono.ttf"))
        return u"QVX Mono";
    return u"C64 Pro Mono";
}

DebugChannel& debugChannel() {
    static DebugChannel channel;
    return channel;
}

bool bindEntryPoints(Plugin& p) {
    HMODULE m = p.module.get();
    p.listLoad =
        reinterpret_cast<ListLoadFunction>(reinterpret_cast<void*>(GetProcAddress(m, "ListLoad")));
    p.listLoadW = reinterpret_cast<ListLoadWFunction>(
        reinterpret_cast<void*>(GetProcAddress(m, "ListLoadW")));
    p.listCloseWindow = reinterpret_cast<ListCloseWindowFunction>(
        reinterpret_cast<void*>(GetProcAddress(m, "ListCloseWindow")));
    p.listGetDetectString = reinterpret_cast<ListGetDetectStringFunction>(
        reinterpret_cast<void*>(GetProcAddress(m, "ListGetDetectString")));
    p.listSendCommand = reinterpret_cast<ListSendCommandFunction>(
        reinterpret_cast<void*>(GetProcAddress(m, "ListSendCommand")));
    return p.listLoad && p.listLoadW && p.listCloseWindow && p.listGetDetectString &&
           p.listSendCommand;
}

const Plugin& plugin() {
    static const Plugin loaded = [] {
        DebugChannel& channel = debugChannel();
        // The host has RichEdit registered before any plug-in runs; it stays for the process.
        if (LoadLibraryW(L"riched32.dll") == nullptr)
            throw std::runtime_error("cannot load riched32.dll");
        if (!SetDllDirectoryW(wide(pluginFolder())))
            throw std::runtime_error("cannot set the DLL directory");
        channel.take();
        Plugin p;
        p.module.reset(LoadLibraryW(wide(pluginPath())));
        if (!p.module) throw std::runtime_error("cannot load " + toAnsi(pluginPath()));
        p.startupLines = channel.take();
        if (!bindEntryPoints(p)) throw std::runtime_error("an entry point is missing");
        return p;
    }();
    return loaded;
}

HostWindow::HostWindow() {
    registerHostClass();
    window_.reset(CreateWindowExW(0, kHostClass, L"QVX test host", WS_OVERLAPPEDWINDOW, 10, 10, 640,
                                  400, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr));
    if (!window_) throw std::runtime_error("cannot create the host window");
    commands();
}

std::vector<std::pair<WPARAM, LPARAM>> HostWindow::commands() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return std::exchange(receivedCommands(), {});
}

CreationSpy::CreationSpy()
    : hook_(SetWindowsHookExW(WH_CBT, spyProcedure, nullptr, GetCurrentThreadId())) {
    if (!hook_) throw std::runtime_error("cannot hook window creation");
    activeSpy = this;
}

CreationSpy::~CreationSpy() {
    activeSpy = nullptr;
}

std::u16string windowText(HWND window) {
    GETTEXTLENGTHEX length{GTL_NUMCHARS | GTL_PRECISE, 1200};
    auto count = SendMessageW(window, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&length), 0);
    std::u16string text(static_cast<std::size_t>(std::max<LRESULT>(count, 0)) + 1, u'\0');
    GETTEXTEX how{};
    how.cb = static_cast<DWORD>(text.size() * sizeof(char16_t));
    how.flags = GT_DEFAULT;
    how.codepage = 1200;
    auto got = SendMessageW(window, EM_GETTEXTEX, reinterpret_cast<WPARAM>(&how),
                            reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(std::max<LRESULT>(got, 0)));
    return text;
}

TextAppearance appearance(HWND window) {
    DWORD start = 0;
    DWORD end = 0;
    SendMessageW(window, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                 reinterpret_cast<LPARAM>(&end));
    SendMessageW(window, EM_SETSEL, 0, -1);
    CHARFORMATW format{};
    format.cbSize = sizeof format;
    SendMessageW(window, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
    SendMessageW(window, EM_SETSEL, start, static_cast<LPARAM>(end));
    // The control only answers the background colour by handing back the previous one.
    constexpr COLORREF kProbe = 0x00010203;
    auto background = static_cast<COLORREF>(
        SendMessageW(window, EM_SETBKGNDCOLOR, 0, static_cast<LPARAM>(kProbe)));
    SendMessageW(window, EM_SETBKGNDCOLOR, 0, static_cast<LPARAM>(background));
    return {format.dwMask, format.dwEffects, format.crTextColor,
            reinterpret_cast<const char16_t*>(format.szFaceName), background};
}

DiskImage* recordOf(HWND window) {
    return reinterpret_cast<DiskImage*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

std::string toAnsi(const std::u16string& text) {
    int length = WideCharToMultiByte(CP_ACP, 0, wide(text), static_cast<int>(text.size()), nullptr,
                                     0, nullptr, nullptr);
    std::string ansi(static_cast<std::size_t>(std::max(length, 0)), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide(text), static_cast<int>(text.size()), ansi.data(), length,
                        nullptr, nullptr);
    return ansi;
}

std::u16string fromAnsi(const std::string& text) {
    int length =
        MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::u16string out(static_cast<std::size_t>(std::max(length, 0)), u'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()),
                        reinterpret_cast<LPWSTR>(out.data()), length);
    return out;
}

std::string windowsPath(std::string path) {
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

ReferenceLoad referenceLoad(const std::string& ansiPath) {
    DebugChannel& channel = debugChannel();
    channel.take();
    ReferenceLoad reference;
    reference.listing = loadImage(fromAnsi(ansiPath), reference.image);
    reference.traceLines = channel.take();
    return reference;
}

std::string sampleImage(DiskType type, bool errorBytes) {
    const DiskFormat& format = kDiskFormats[type];
    ImageBuilder image(type, errorBytes);
    image.header("QVX TEST " + std::to_string(type), "AB", "2A")
        .dirLink(format.firstDirSector, 0, 0xFF)
        .slot(format.firstDirSector, 1, 0x82, "HELLO", 1)
        .slot(format.firstDirSector, 2, 0xC1, "DATA", 12)
        .slot(format.firstDirSector, 3, 0x00, "SCRATCHED", 4)
        .slot(format.firstDirSector, 4, 0x04, "OPEN REL", 300);
    if (errorBytes) {
        image.errorByte(0, 0x01).errorByte(21, 0x15).errorByte(format.totalSectors - 1u, 0x0F);
    }
    std::string name = std::string("image-") + std::to_string(type) +
                       (errorBytes ? "-errors." : ".") + extensionOf(type);
    return windowsPath(image.write(scratchDir() + "/" + name));
}

OpenedViewer openViewer(const HostWindow& host, const std::string& ansiPath, int showFlags) {
    debugChannel().take();
    std::string name = ansiPath;
    OpenedViewer opened{};
    {
        CreationSpy spy;
        opened.window = plugin().listLoad(host.get(), name.data(), showFlags);
        opened.creations = spy.creations;
    }
    opened.lines = debugChannel().take();
    return opened;
}

ChildRun runChild(const std::vector<std::u16string>& arguments) {
    std::u16string self = moduleFile(nullptr);
    std::u16string commandLine = commandLineArgument(self);
    for (const auto& argument : arguments) commandLine += u" " + commandLineArgument(argument);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(wide(self), reinterpret_cast<LPWSTR>(commandLine.data()), nullptr, nullptr,
                        FALSE, 0, nullptr, nullptr, &startup, &process))
        throw std::runtime_error("cannot start the child");
    KernelHandle processHandle(process.hProcess);
    KernelHandle threadHandle(process.hThread);
    if (WaitForSingleObject(processHandle.get(), kChildPatience) != WAIT_OBJECT_0) {
        TerminateProcess(processHandle.get(), 1);
        throw std::runtime_error("the child hung");
    }
    ChildRun run{};
    GetExitCodeProcess(processHandle.get(), &run.exitCode);
    run.lines = debugChannel().take(process.dwProcessId);
    return run;
}

int childMain(const std::vector<std::u16string>& arguments) {
    std::u16string path;
    std::u16string dllDirectory;
    std::u16string file;
    for (std::size_t i = 0; i + 1 < arguments.size(); i += 2) {
        if (arguments[i] == u"--load") path = arguments[i + 1];
        if (arguments[i] == u"--dll-dir") dllDirectory = arguments[i + 1];
        if (arguments[i] == u"--open") file = arguments[i + 1];
    }
    if (LoadLibraryW(L"riched32.dll") == nullptr) return 2;
    if (!dllDirectory.empty() && !SetDllDirectoryW(wide(dllDirectory))) return 3;
    Plugin p;
    p.module.reset(LoadLibraryW(wide(path)));
    if (!p.module || !bindEntryPoints(p)) return 4;
    if (!file.empty()) {
        HostWindow host;
        std::string ansi = toAnsi(file);
        HWND viewer = p.listLoad(host.get(), ansi.data(), 0);
        if (viewer == nullptr) return 5;
        p.listCloseWindow(viewer);
    }
    return 0;
}

std::string imageKindName(const ::testing::TestParamInfo<ImageKind>& info) {
    return kindName(std::get<0>(info.param), std::get<1>(info.param));
}

}  // namespace qvx::test
