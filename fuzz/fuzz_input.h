// How a fuzz input becomes an image: a selector byte, then bytes laid over the places readers read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "disk/format.h"

namespace qvx::fuzz {

struct ImageChoice {
    DiskType type;
    bool errorBytes;
};

// Byte 0 picks the type (modulo 6) and, in bit 7, the variant with error bytes.
inline ImageChoice chooseImage(std::uint8_t selector) {
    return {static_cast<DiskType>((selector & 0x7F) % kDiskTypeCount), (selector & 0x80) != 0};
}

// File offsets of the regions the readers look at, in the order the input fills them:
// BAM sectors, the header sector and the 40 directory sectors after it, then the error bytes.
inline std::vector<std::pair<std::size_t, std::size_t>> regionsOf(ImageChoice choice) {
    std::vector<std::pair<std::size_t, std::size_t>> regions;
    const DiskFormat& f = kDiskFormats[choice.type];
    // The header region below covers a BAM kept in the header sector.
    for (std::size_t i = 0; i < f.bamSectorCount; ++i) {
        const BamSector& bam = f.bamSectors[i];
        if (bam.track == f.dirTrack && bam.sector == 0) continue;
        regions.emplace_back(
            static_cast<std::size_t>(sectorOffset(choice.type, bam.track, bam.sector)),
            kSectorSize);
    }
    regions.emplace_back(f.headerOffset, 41 * kSectorSize);
    if (choice.errorBytes) regions.emplace_back(qvx::imageSize(f, false), f.totalSectors);
    return regions;
}

inline std::size_t imageSize(ImageChoice choice) {
    return static_cast<std::size_t>(qvx::imageSize(kDiskFormats[choice.type], choice.errorBytes));
}

// Lays data over the regions in order; what the data does not reach stays zero.
inline void fillImage(ImageChoice choice, const std::uint8_t* data, std::size_t size,
                      std::vector<std::uint8_t>& image) {
    image.assign(imageSize(choice), 0);
    std::size_t used = 0;
    for (auto [offset, length] : regionsOf(choice)) {
        for (std::size_t i = 0; i < length && used < size; ++i) {
            if (offset + i < image.size()) image[offset + i] = data[used];
            ++used;
        }
    }
}

}  // namespace qvx::fuzz
