// The CBT hook behind CreationLog.
#include "host/creation_log.h"

#include <stdexcept>
#include <string>

namespace qvx::host {

namespace {
CreationLog* active = nullptr;
}

CreationLog::CreationLog() {
    if (active) throw std::logic_error("a creation log is already active");
    active = this;
    hook_.reset(SetWindowsHookExW(WH_CBT, &CreationLog::hookProc, nullptr, GetCurrentThreadId()));
    if (!hook_) {
        active = nullptr;
        throw std::runtime_error("cannot install the window creation hook");
    }
}

CreationLog::~CreationLog() {
    hook_.reset();
    active = nullptr;
}

const WindowCreation* CreationLog::find(HWND window) const {
    for (const WindowCreation& c : creations_)
        if (c.window == window) return &c;
    return nullptr;
}

LRESULT CALLBACK CreationLog::hookProc(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_CREATEWND && active) {
        const CREATESTRUCTW* cs = reinterpret_cast<CBT_CREATEWNDW*>(lParam)->lpcs;
        WindowCreation c{};
        c.window = reinterpret_cast<HWND>(wParam);
        c.parent = cs->hwndParent;
        if (IS_INTRESOURCE(cs->lpszClass))
            c.className = L"#" + std::to_wstring(reinterpret_cast<std::uintptr_t>(cs->lpszClass));
        else
            c.className = cs->lpszClass;
        if (cs->lpszName && !IS_INTRESOURCE(cs->lpszName)) c.windowName = cs->lpszName;
        c.style = static_cast<DWORD>(cs->style);
        c.exStyle = cs->dwExStyle;
        c.x = cs->x;
        c.y = cs->y;
        c.width = cs->cx;
        c.height = cs->cy;
        active->creations_.push_back(std::move(c));
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace qvx::host
