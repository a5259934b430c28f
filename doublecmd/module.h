// The plug-in's place in the host process: the folder it was loaded from and where its trace goes.
#pragma once

#include <string>

namespace qvx::doublecmd {

// The folder of qvx.wlx (without a trailing slash), where the toolkit parts and the fonts lie;
// found once, when the host loads the plug-in. Empty if the loader could not tell.
const std::string& pluginFolder();

}  // namespace qvx::doublecmd
