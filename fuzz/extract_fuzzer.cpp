// Fuzzes the file reader: the directory and the first sectors of an image of every type come from
// the input, so that the entries' chains, REL, GEOS and VLIR fields and the links run through
// bytes it chose; every file read must be exactly the size its listing gave, within the image.
#include <cstdint>
#include <vector>

#include "extract/archive.h"
#include "fuzz_checks.h"
#include "fuzz_file.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const auto choice = qvx::fuzz::chooseImage(data[0]);
    static std::vector<std::uint8_t> image;
    qvx::fuzz::fillImage(choice, data + 1, size - 1, image);
    // The input again from track 1 sector 0 on: chains there lead wherever its links say.
    for (std::size_t i = 1; i < size && i - 1 < image.size(); ++i) image[i - 1] = data[i];

    qvx::ImageArchive archive;
    const bool opened = qvx::openArchive(qvx::fuzz::writeImageFile(image, "d64"), {}, archive);
    qvx::fuzz::require(opened == !archive.image.dirEntries.empty(), "opened when listed");
    // A file holds at most every sector once, plus a PC64 or Convert header.
    const std::uint64_t bound =
        std::uint64_t{qvx::kDiskFormats[choice.type].totalSectors} * 256 + 3 * 254 + 26;
    for (std::size_t i = 0; i < archive.files.size(); ++i) {
        const qvx::ArchiveFile& file = archive.files[i];
        qvx::fuzz::require(file.size <= bound, "no file outgrows the image");
        qvx::fuzz::require(qvx::readArchiveFile(archive, i).size() == file.size,
                           "the bytes read are the size listed");
        qvx::fuzz::require(!file.hostName.empty() &&
                               file.hostName.find(u'/') == std::u16string::npos &&
                               file.hostName.find(u'\\') == std::u16string::npos,
                           "a host name without separators");
    }
    return 0;
}
