// The one load routine, shared by the plug-in and the qvx command.
#include "render/load.h"

#include "disk/bam.h"
#include "disk/directory.h"
#include "disk/errors.h"
#include "render/listing.h"
#include "render/maps.h"

namespace qvx {

std::u16string loadImage(const std::u16string& path, DiskImage& image) {
    getDirEntries(path, image);
    getBAMEntries(path, image);
    setupBAMMap(image);
    if (image.hasErrorBytes == 1) {
        getErrorData(path, image);
        setupErrorMap(image);
    }
    return setupString(image, 0);
}

bool isReadableImage(const DiskImage& image) {
    return image.type != kTypeUnknown && !image.dirEntries.empty();
}

}  // namespace qvx
