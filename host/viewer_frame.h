// The file manager's viewer window: a top-level window that parents the plug-in's window and
// records every WM_COMMAND the plug-in sends or posts to it.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "host/win_handle.h"

namespace qvx::host {

struct Notification {
    std::uint32_t wParam;
    std::uintptr_t lParam;
    std::size_t step;  // the step of the run during which it arrived (0 = load)
};

class ViewerFrame {
  public:
    // A shown, fixed-size top-level window; throws std::runtime_error when it cannot be made.
    ViewerFrame(int width, int height);
    ViewerFrame(const ViewerFrame&) = delete;
    ViewerFrame& operator=(const ViewerFrame&) = delete;

    HWND hwnd() const { return window_.get(); }

    // Labels the notifications that arrive from now on.
    void setStep(std::size_t step) { step_ = step; }
    std::vector<Notification> takeNotifications();

    // Dispatches everything waiting in this thread's queue (posted notifications, paints).
    static void pumpMessages();

  private:
    static LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    std::vector<Notification> notifications_;
    std::size_t step_ = 0;
    Window window_;
};

}  // namespace qvx::host
