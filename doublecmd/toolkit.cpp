// Finds the host's toolkit among the loaded libraries and loads the part for it from the
// plug-in's folder.
#include "doublecmd/toolkit.h"

#include <dlfcn.h>

#include "base/text.h"
#include "doublecmd/module.h"

namespace qvx::doublecmd {

namespace {

struct Toolkit {
    const char* library;  // as the host has it loaded
    const char* part;     // beside qvx.wlx
};

// Qt first: a Qt host may carry GTK2 for its style, and the Qt part still checks for the host's
// QApplication before it says yes.
constexpr Toolkit kToolkits[] = {
    {"libQt5Widgets.so.5", "qvx-qt5.so"},
    {"libgtk-x11-2.0.so.0", "qvx-gtk2.so"},
};

bool alreadyLoaded(const char* library) {
    void* handle = dlopen(library, RTLD_LAZY | RTLD_NOLOAD);
    if (handle == nullptr) return false;
    dlclose(handle);  // NOLOAD counted one more reference
    return true;
}

ToolkitChoice choose() {
    ToolkitChoice choice;
    for (const Toolkit& toolkit : kToolkits) {
        if (!alreadyLoaded(toolkit.library)) continue;
        const std::string path = pluginFolder() + "/" + toolkit.part;
        void* part = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (part == nullptr) {
            const char* error = dlerror();
            choice.problem += u"can't load " + pathFromSystem(path) + u": " +
                              fromUtf8(error != nullptr ? error : "") + u"; ";
            continue;
        }
        auto entry = reinterpret_cast<QvxToolkitEntry>(dlsym(part, kToolkitEntryName));
        const QvxToolkitApi* api = entry != nullptr ? entry(kToolkitApiVersion) : nullptr;
        if (api != nullptr) {
            choice.api = api;
            choice.problem.clear();
            return choice;
        }
        choice.problem += pathFromSystem(path) + u" can't work in this process; ";
        // Stays loaded: its toolkit was here before it, and unloading C++ code is not worth it.
    }
    choice.problem += u"no Qt5 or GTK2 viewer for this host";
    return choice;
}

}  // namespace

const ToolkitChoice& processToolkit() {
    static const ToolkitChoice choice = choose();
    return choice;
}

}  // namespace qvx::doublecmd
