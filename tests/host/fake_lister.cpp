// Test-only stand-in for the plug-in: the four exports doing just enough for the host's own tests
// (a known text per view, a burst of trace lines on the first load of each file, one
// notification). Never shipped. A file name
// ending in "leak.d64" makes it keep a window, a brush and some memory per load, so the tests
// can see that the host's measurements notice leaks.
#include <richedit.h>
#include <windows.h>

#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

HINSTANCE module;
constexpr int kBurstLines = 300;
constexpr DWORD kStyle =
    WS_CHILD | WS_VSCROLL | WS_HSCROLL | ES_READONLY | ES_NOHIDESEL | ES_MULTILINE;

struct FakeWindow {
    int view = 0;
    int wrap = 1;
};
std::map<HWND, FakeWindow> windows;
std::set<std::wstring> loadedBefore;
bool leaking = false;
std::vector<std::vector<char>> leakedMemory;

bool endsWith(const std::wstring& s, const std::wstring& tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

void trace(const std::wstring& text) {
    OutputDebugStringW((L"QVX: " + text).c_str());
}

std::wstring viewText(int view) {
    // Mixed line breaks on purpose: the host must report them as they come back.
    return L"fake view " + std::to_wstring(view) + L"\rsecond line\r\n\x00E9\xEE01\r";
}

void setText(HWND window, const std::wstring& text) {
    SETTEXTEX how{ST_DEFAULT, 1200};
    SendMessageW(window, EM_SETTEXTEX, reinterpret_cast<WPARAM>(&how),
                 reinterpret_cast<LPARAM>(text.c_str()));
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        module = instance;
        wchar_t dir[MAX_PATH] = {};
        GetDllDirectoryW(MAX_PATH, dir);
        trace(std::wstring(L"AttachProcess - dll path is ") + dir);
    }
    return TRUE;
}

extern "C" __declspec(dllexport) HWND __stdcall ListLoad(HWND parent, char* file, int flags) {
    wchar_t name[MAX_PATH] = {};
    MultiByteToWideChar(CP_ACP, 0, file, -1, name, MAX_PATH);
    trace(std::wstring(L"ListLoad - called for '") + name + L"'; flags=" + std::to_wstring(flags));
    leaking = endsWith(name, L"leak.d64");
    if (leaking) {
        CreateSolidBrush(0x00FF0000);
        leakedMemory.emplace_back(64 * 1024, 'x');
    }
    if (loadedBefore.insert(name).second) {
        for (int i = 0; i < kBurstLines; ++i) trace(L"burst " + std::to_wstring(i));
    }
    RECT rc{};
    GetClientRect(parent, &rc);
    HWND w = CreateWindowExW(0, L"RichEdit", L"", kStyle, rc.left, rc.top, rc.right - rc.left,
                             rc.bottom - rc.top, parent, nullptr, module, nullptr);
    if (!w) return nullptr;
    CHARFORMATW cf{};
    cf.cbSize = sizeof cf;
    cf.dwMask = CFM_COLOR | CFM_FACE;
    cf.crTextColor = 0x00112233;
    lstrcpyW(cf.szFaceName, L"Courier New");
    SendMessageW(w, EM_SETCHARFORMAT, SCF_ALL, reinterpret_cast<LPARAM>(&cf));
    SendMessageW(w, EM_SETBKGNDCOLOR, 0, 0x00445566);
    SetWindowLongPtrW(w, GWLP_USERDATA, 1);
    windows[w] = FakeWindow{};
    setText(w, viewText(0));
    ShowWindow(w, SW_SHOW);
    PostMessageW(parent, WM_COMMAND, 0xFFFC0001, reinterpret_cast<LPARAM>(w));
    return w;
}

extern "C" __declspec(dllexport) int __stdcall ListSendCommand(HWND w, int command, int parameter) {
    trace(L"ListSendCommand - c=" + std::to_wstring(command) + L", p=" +
          std::to_wstring(parameter));
    auto it = windows.find(w);
    if (it == windows.end() || command != 2 || (parameter & 1) == it->second.wrap) return 1;
    it->second.wrap = parameter & 1;
    it->second.view = (it->second.view + 1) % 3;
    setText(w, viewText(it->second.view));
    return 0;
}

extern "C" __declspec(dllexport) void __stdcall ListCloseWindow(HWND w) {
    trace(L"ListCloseCommand");
    windows.erase(w);
    if (!leaking) DestroyWindow(w);
}

extern "C" __declspec(dllexport) void __stdcall ListGetDetectString(char* buffer, int) {
    lstrcpyA(buffer, "EXT=\"FAKE\"");
}
