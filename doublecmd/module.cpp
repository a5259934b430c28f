// Start-up of qvx.wlx: the trace goes to standard error, and the plug-in's folder is found once.
#include "doublecmd/module.h"

#include <dlfcn.h>
#include <unistd.h>

#include <string_view>

#include "base/text.h"
#include "base/trace.h"

namespace qvx::doublecmd {

namespace {

std::string& folderValue() {
    static std::string folder;
    return folder;
}

// One write per line, so that lines of the host's other threads do not cut into it.
void writeTraceLine(const std::u16string& line) {
    std::string bytes = readablePath(line);
    bytes += '\n';
    std::string_view rest = bytes;
    while (!rest.empty()) {
        const ssize_t written = ::write(STDERR_FILENO, rest.data(), rest.size());
        if (written <= 0) return;
        rest.remove_prefix(static_cast<std::size_t>(written));
    }
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
        setTraceSink(writeTraceLine);
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
