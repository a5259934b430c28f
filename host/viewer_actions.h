// What a user does in the viewer besides switching views, as qvxhost does it: find (the host's
// Find and its next and previous), and copy (the host's Copy command and the control's own copy
// key), each reported with what the window and the clipboard then hold.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "host/lister_plugin.h"

namespace qvx::host {

// One --find: in the view of step (0 = after the load), the search parameter and the text.
struct FindRequest {
    int step = 0;
    int flags = 0;
    std::wstring text;
};

// "STEP:FLAGS:TEXT" (the text may hold colons); throws std::invalid_argument with the reason.
FindRequest parseFindRequest(const std::wstring& value);

// Counts the plug-in's system beeps: its import of MessageBeep leads here while this lives.
class BeepCounter {
  public:
    explicit BeepCounter(HMODULE plugin);
    ~BeepCounter();
    BeepCounter(const BeepCounter&) = delete;
    BeepCounter& operator=(const BeepCounter&) = delete;

    // False when the module imports no MessageBeep (it cannot beep that way).
    bool active() const { return slot_ != nullptr; }
    int count() const;

  private:
    void** slot_ = nullptr;
    void* original_ = nullptr;
};

// Runs every request of step through the plug-in's ListSearchText(W), in order: its result, the
// selection and first line shown afterwards, the text selected and the beeps it made.
nlohmann::ordered_json findInView(const ListerPlugin& plugin, HWND window, int step,
                                  const std::vector<FindRequest>& requests,
                                  const BeepCounter& beeps);

// Three copies, each onto a clipboard first set to other text: the selection as it is through
// the host's Copy command, then everything selected through the command and through the control's
// Ctrl+C. Each reports what the clipboard then holds (null for no text).
nlohmann::ordered_json copyFromView(const ListerPlugin& plugin, HWND window);

}  // namespace qvx::host
