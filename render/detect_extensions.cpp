// Reads the extensions out of the detect string, so that a new image kind needs it alone.
#include "render/detect_extensions.h"

#include <algorithm>

#include "base/text.h"

namespace qvx {
namespace {}  // namespace

std::vector<std::u16string> detectExtensions(std::string_view detect) {
    constexpr std::string_view kOpen = "EXT=\"";
    std::vector<std::u16string> out;
    for (std::size_t at = detect.find(kOpen); at != std::string_view::npos;
         at = detect.find(kOpen, at)) {
        at += kOpen.size();
        const std::size_t end = detect.find('"', at);
        if (end == std::string_view::npos) break;
        out.emplace_back(detect.begin() + at, detect.begin() + end);
        at = end + 1;
    }
    return out;
}

std::string extensionList() {
    std::string list;
    for (const std::u16string& ext : detectExtensions())
        list += (list.empty() ? "" : ", ") + toUtf8(ext);
    return list;
}

bool isDetectedExtension(std::u16string_view extension) {
    static const std::vector<std::u16string> known = detectExtensions();
    return std::any_of(known.begin(), known.end(), [extension](const std::u16string& ext) {
        return ext.size() == extension.size() &&
               std::equal(ext.begin(), ext.end(), extension.begin(),
                          [](char16_t a, char16_t b) { return asciiUpper(a) == asciiUpper(b); });
    });
}

}  // namespace qvx
