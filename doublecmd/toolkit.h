// The toolkit part that matches the host process: Qt5 or GTK2, whichever the host runs on.
#pragma once

#include <string>

#include "doublecmd/toolkit_api.h"

namespace qvx::doublecmd {

struct ToolkitChoice {
    const QvxToolkitApi* api = nullptr;  // null when no part can work in this process
    std::u16string problem;              // why not, for the trace
};

// Looks once, on first use: a toolkit counts only when the host has already loaded it, so that
// the plug-in never brings a second one into the process. Its part stays loaded from then on.
const ToolkitChoice& processToolkit();

}  // namespace qvx::doublecmd
