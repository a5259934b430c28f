// setType and setSubType.
#include "disk/detect.h"

#include "base/trace.h"
#include "disk/file.h"
#include "disk/g64.h"

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
    image.container = kContainerSectors;
    image.decodedSectors.clear();
    std::u16string ext = fileExtension(path);
    const bool namedG64 = !ext.empty() && (ext[0] == u'G' || ext[0] == u'g');
    if (namedG64 && hasG64Signature(path)) {
        // A 1541 disk; readG64 tells whether it has 40 tracks.
        image.type = kTypeD64;
        image.hasErrorBytes = 1;
        image.container = kContainerG64;
        return;
    }
    std::int64_t size = fileSize(path);
    if (ext.empty() || (ext[0] != u'D' && ext[0] != u'd')) {
        logDebug(u"setType - file type not supprted");
        const ProblemCode why = !namedG64  ? ProblemCode::UnsupportedExtension
                                : size < 0 ? ProblemCode::NotAFile
                                           : ProblemCode::NotAG64;
        image.problems.push_back({why, ProblemSource::Type});
        return;
    }
    for (int t = 0; t < kDiskTypeCount; ++t) {
        const bool withErrorBytes = size == imageSize(kDiskFormats[t], true);
        if (withErrorBytes || size == imageSize(kDiskFormats[t], false)) {
            image.type = static_cast<DiskType>(t);
            image.hasErrorBytes = withErrorBytes ? 1 : 0;
            return;
        }
    }
    logDebug(u"setType - disk file not supprted");
    if (size < 0)
        image.problems.push_back({ProblemCode::NotAFile, ProblemSource::Type});
    else
        image.problems.push_back({ProblemCode::UnsupportedSize, ProblemSource::Type, -1, -1, size});
}

DiskSubType setSubType(const Sector& header) {
    auto used = [&header](DiskSubType variant) {
        const std::size_t from = kExtraBamOffset[variant];
        for (std::size_t i = from; i < from + kExtraBamTracks * kExtraBamEntrySize; ++i)
            if (header[i] != 0) return true;
        return false;
    };
    bool dolphin = used(kSubTypeDolphin);
    if (dolphin) logDebug(u"setSubType: Dolphin = true");
    bool speed = used(kSubTypeSpeed);
    if (speed) logDebug(u"setSubType: Speed = true");
    if (dolphin == speed) return kSubTypeNone;
    return dolphin ? kSubTypeDolphin : kSubTypeSpeed;
}

}  // namespace qvx
