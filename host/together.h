// qvxhost --together: many viewer windows open at once, each stepped through its views on its
// own, then all closed; reports a fingerprint of every text each window showed and what the
// process held before, with all
// windows open, and after.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "host/lister_plugin.h"

namespace qvx::host {

struct TogetherRun {
    std::vector<std::wstring> images;  // one window each; an image may be given many times
    std::int32_t flags = 0;
    // Window i changes the wrap bit toggles[i % toggles.size()] times; none when empty.
    std::vector<int> toggles;
    // The plug-in's trace lines since the last call.
    std::function<nlohmann::ordered_json()> takeTrace;
};

// The windows are toggled round by round (in round r every window with at least r toggles
// changes its wrap bit once), so that each is at its own place in its cycle while the others
// move on.
nlohmann::ordered_json runTogether(ListerPlugin& plugin, const TogetherRun& run);

}  // namespace qvx::host
