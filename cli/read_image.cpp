// readImage: the load's readers in the load's order, each only when the output needs it.
#include "cli/read_image.h"

#include "disk/bam.h"
#include "disk/directory.h"
#include "disk/errors.h"
#include "render/listing.h"
#include "render/maps.h"

namespace qvx::cli {

void readImage(const std::u16string& path, DiskImage& image, ReadParts parts) {
    getDirEntries(path, image);
    if (image.dirEntries.empty()) return;
    if (parts.blocksFree) {
        getBAMEntries(path, image);
        image.blocksFree = countBlocksFree(image);
    }
    if ((parts.errorBytes || listingNeedsErrorBytes(image)) && image.hasErrorBytes == 1)
        getErrorData(path, image);
}

}  // namespace qvx::cli
