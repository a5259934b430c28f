// Start-up of qvx.wlx: the trace goes to standard error, and the plug-in's folder is found once.
#include "doublecmd/module.h"

#include <dlfcn.h>

#include "base/text.h"
#include "base/trace.h"

namespace qvx::doublecmd {

namespace {

std::string& folderValue() {
    static std::string folder;
    return folder;
}

std::string folderOfThisModule() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<const void*>(&folderOfThisModule), &info) == 0 ||
        info.dli_fname == nullptr)
        return {};
    const std::string file = info.dli_fname;
    const std::size_t cut = file.rfind('/');
    return cut == std::string::npos ? std::string() : file.substr(0, cut);
}

// Runs when the host loads the plug-in, as the Windows module's start-up does at process attach.
__attribute__((constructor)) void attachProcess() {
    try {
        setTraceSink(writeStandardErrorLine);
        folderValue() = folderOfThisModule();
        logDebug(u"AttachProcess - dll path is " + pathFromSystem(folderValue()));
    } catch (...) {
        // Without its folder the plug-in finds no toolkit part and says so at ListLoad.
    }
}

}  // namespace

const std::string& pluginFolder() {
    return folderValue();
}

}  // namespace qvx::doublecmd
