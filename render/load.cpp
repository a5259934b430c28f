// The one load routine, shared by the plug-in and the qvx command.
#include "render/load.h"

#include "disk/bam.h"
#include "disk/directory.h"
#include "disk/errors.h"
#include "disk/program_file.h"
#include "render/file_views.h"
#include "render/listing.h"
#include "render/maps.h"

namespace qvx {

std::u16string loadImage(const std::u16string& path, DiskImage& image) {
    if (readProgramFile(path, image)) return fileViewText(image, 0);
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
    return image.fileKind != kFileNone || (isKnownType(image.type) && !image.dirEntries.empty());
}

}  // namespace qvx
