// getErrorData: loads the error bytes, one per sector, from the end of the image file.
#include "disk/errors.h"

#include <new>
#include <utility>
#include <vector>

#include "base/text.h"
#include "base/trace.h"
#include "disk/file.h"
#include "disk/image_bytes.h"

namespace qvx {

void getErrorData(const std::u16string& path, DiskImage& image) {
    if (!isKnownType(image.type)) return;
    const std::uint16_t count = kDiskFormats[image.type].totalSectors;

    // Zero-filled so that a failed open or a short read never shows stale memory in the map.
    std::vector<std::uint8_t> block;
    try {
        block.assign(count, 0);
    } catch (const std::bad_alloc&) {
        image.errorCount = 0;
        image.errorBytes.clear();
        image.problems.push_back({ProblemCode::NoMemory, ProblemSource::Errors});
        return;
    }
    image.errorCount = static_cast<std::int16_t>(count);
    image.errorBytes = std::move(block);

    ImageBytes file(path, image);
    if (!file.isOpen()) {
        logDebug(u"getErrorData - can't open file <" + path + u">");
        image.problems.push_back({ProblemCode::OpenFailed, ProblemSource::Errors});
        return;
    }
    std::size_t read = 0;
    if (file.seek(file.size() - count)) read = file.read(image.errorBytes.data(), count);
    if (read == count)
        logDebug(u"getErrorData - " + decimal(static_cast<std::int64_t>(read)) +
                 u" error bytes successfully read.");
    else {
        logDebug(u"getErrorData - read error");
        image.problems.push_back(
            {read == 0 ? ProblemCode::ReadFailed : ProblemCode::ShortRead, ProblemSource::Errors});
    }
}

}  // namespace qvx
