// The top-level viewer window of the stand-in host.
#include "host/viewer_frame.h"

#include <stdexcept>

namespace qvx::host {

namespace {

constexpr wchar_t kClassName[] = L"QvxHostViewer";

void registerClassOnce(WNDPROC proc) {
    static const ATOM atom = [proc] {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = proc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
        wc.lpszClassName = kClassName;
        return RegisterClassExW(&wc);
    }();
    if (!atom) throw std::runtime_error("cannot register the viewer window class");
}

}  // namespace

ViewerFrame::ViewerFrame(int width, int height) {
    registerClassOnce(&ViewerFrame::windowProc);
    // Fixed size, so screenshots have one size. No caption and no activation: such a window is
    // not left to a window manager, and without one (a virtual X display) Wine waits seconds for
    // a managed window's state to change when it is destroyed.
    const DWORD style = WS_POPUP | WS_BORDER;
    window_.reset(CreateWindowExW(WS_EX_NOACTIVATE, kClassName, L"qvxhost", style, 0, 0, width,
                                  height, nullptr, nullptr, GetModuleHandleW(nullptr), this));
    if (!window_) throw std::runtime_error("cannot create the viewer window");
    ShowWindow(window_.get(), SW_SHOWNA);
    UpdateWindow(window_.get());
    pumpMessages();
}

std::vector<Notification> ViewerFrame::takeNotifications() {
    std::vector<Notification> out;
    out.swap(notifications_);
    return out;
}

void ViewerFrame::pumpMessages() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

LRESULT CALLBACK ViewerFrame::windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<ViewerFrame*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self && message == WM_COMMAND) {
        self->notifications_.push_back(
            {static_cast<std::uint32_t>(wParam), static_cast<std::uintptr_t>(lParam), self->step_});
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

}  // namespace qvx::host
