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
    // The readers are done with a G64's decoded sectors: the window keeps only what it shows.
    std::vector<std::uint8_t>().swap(image.decodedSectors);
    return setupString(image, 0);
}

bool isReadableImage(const DiskImage& image) {
    return isKnownType(image.type) && !image.dirEntries.empty();
}

}  // namespace qvx
