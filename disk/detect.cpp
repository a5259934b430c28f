// setType and setSubType.
#include "disk/detect.h"

#include "base/trace.h"
#include "disk/file.h"

namespace qvx {

std::u16string fileExtension(const std::u16string& path) {
    for (std::size_t i = path.size(); i > 0; --i) {
        char16_t c = path[i - 1];
        if (c == u' ' || c == u'/' || c == u'\\') return {};
        if (c == u'.') {
            std::size_t dot = i - 1;
            if (dot == 0 || path[dot - 1] == u'/' || path[dot - 1] == u'\\') return {};
            return path.substr(dot + 1);
        }
    }
    return {};
}

void setType(const std::u16string& path, DiskImage& image) {
    image.type = kTypeUnknown;
    image.hasErrorBytes = 0;
    std::u16string ext = fileExtension(path);
    std::int64_t size = fileSize(path);
    if (ext.empty() || (ext[0] != u'D' && ext[0] != u'd')) {
        logDebug(u"setType - file type not supprted");
        return;
    }
    for (DiskType t = 0; t < kDiskTypeCount; ++t) {
        std::int64_t n = kDiskFormats[t].totalSectors;
        if (size == n * 256 || size == n * 257) {
            image.type = t;
            image.hasErrorBytes = size > n * 256 ? 1 : 0;
            return;
        }
    }
    logDebug(u"setType - disk file not supprted");
}

DiskSubType setSubType(const std::array<std::uint8_t, kSectorSize>& header) {
    auto used = [&header](std::size_t from, std::size_t to) {
        for (std::size_t i = from; i <= to; ++i)
            if (header[i] != 0) return true;
        return false;
    };
    bool dolphin = used(0xAC, 0xBF);
    if (dolphin) logDebug(u"setSubType: Dolphin = true");
    bool speed = used(0xC0, 0xD3);
    if (speed) logDebug(u"setSubType: Speed = true");
    if (dolphin == speed) return kSubTypeNone;
    return dolphin ? kSubTypeDolphin : kSubTypeSpeed;
}

}  // namespace qvx
