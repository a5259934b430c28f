// The lister entry points Double Commander calls, plain C on Linux. Nothing thrown gets past them.
#include <cstdint>
#include <string>

#include "base/text.h"
#include "doublecmd/module.h"
#include "doublecmd/toolkit.h"
#include "doublecmd/viewers.h"
#include "render/viewer_look.h"

extern "C" {

__attribute__((visibility("default"))) void* ListLoad(void* parentWin, char* fileToLoad,
                                                      int showFlags) {
    try {
        const qvx::doublecmd::ToolkitChoice& toolkit = qvx::doublecmd::processToolkit();
        return qvx::doublecmd::loadViewer(toolkit.api, toolkit.problem, parentWin, fileToLoad,
                                          showFlags, qvx::doublecmd::pluginFolder());
    } catch (...) {
        return nullptr;
    }
}

__attribute__((visibility("default"))) int ListLoadNext(void* /*parentWin*/, void* pluginWin,
                                                        char* fileToLoad, int showFlags) {
    try {
        return qvx::doublecmd::loadNext(pluginWin, fileToLoad, showFlags);
    } catch (...) {
        return qvx::doublecmd::kNotHandled;
    }
}

// The W form gets 16-bit UTF-16 units, whatever the platform's wchar_t is.
__attribute__((visibility("default"))) int ListSearchTextW(void* listWin,
                                                           std::uint16_t* searchString,
                                                           int searchParameter) {
    try {
        std::u16string typed;
        for (const std::uint16_t* unit = searchString; unit != nullptr && *unit != 0; ++unit)
            typed += static_cast<char16_t>(*unit);
        return qvx::doublecmd::searchText(listWin, typed, searchParameter);
    } catch (...) {
        return qvx::doublecmd::kNotHandled;
    }
}

// UTF-8, as the host passes 8-bit text on a UTF-8 system.
__attribute__((visibility("default"))) int ListSearchText(void* listWin, char* searchString,
                                                          int searchParameter) {
    try {
        return qvx::doublecmd::searchText(
            listWin, qvx::fromUtf8(searchString != nullptr ? searchString : ""), searchParameter);
    } catch (...) {
        return qvx::doublecmd::kNotHandled;
    }
}

__attribute__((visibility("default"))) void ListCloseWindow(void* listWin) {
    try {
        qvx::doublecmd::closeViewer(listWin);
    } catch (...) {
    }
}

__attribute__((visibility("default"))) void ListGetDetectString(char* detectString, int maxLen) {
    qvx::writeDetectString(detectString, maxLen);
}

__attribute__((visibility("default"))) int ListSendCommand(void* listWin, int command,
                                                           int parameter) {
    try {
        return qvx::doublecmd::sendCommand(listWin, command, parameter);
    } catch (...) {
        return qvx::doublecmd::kNotHandled;
    }
}

}  // extern "C"
