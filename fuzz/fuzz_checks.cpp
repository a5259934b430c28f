// Property checks shared by the fuzz targets.
#include "fuzz_checks.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace qvx::fuzz {

void fail(const char* what) {
    std::fprintf(stderr, "property broken: %s\n", what);
    std::abort();
}

void checkListing(const std::u16string& listing) {
    require(listing.empty() || listing.back() == u'\r', "listing ends with a carriage return");
    for (char16_t c : listing) {
        bool plain = c == u'\r' || (c >= 0x20 && c < 0x7F);
        bool font = c >= 0xEE00 && c <= 0xEFFF;
        require(plain || font, "listing holds only plain characters and font code points");
    }
}

namespace {
std::size_t rows(const std::u16string& text) {
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), u'\r'));
}

std::size_t bamBound(DiskType type) {
    switch (type) {
        case kTypeD64:
            return 35;
        case kTypeD64x40:
            return 40;
        case kTypeD71:
            return 70;
        case kTypeD80:
            return 2 * 50;
        case kTypeD81:
            return 80;
        case kTypeD82:
            return 4 * 50;
        default:
            return 0;
    }
}
}  // namespace

void checkLoadedImage(const DiskImage& image) {
    require(image.bamTracks.size() <= bamBound(image.type), "bamTracks within its bound");
    require(image.dirEntries.size() <= 1 + 41 * 8, "at most 41 directory sectors of 8 entries");
    if (!isKnownType(image.type)) {
        require(image.bamMapText.empty(), "no BAM map for an undetermined type");
        return;
    }
    require(rows(image.bamMapText) == 3 + image.bamTracks.size(), "one BAM row per track read");
    if (image.hasErrorBytes == 1) {
        require(rows(image.errorMapText) == 3u + kDiskFormats[image.type].trackCount,
                "one error-map row per track");
    }
    for (std::size_t t = 0; t < image.bamTracks.size(); ++t) {
        std::uint64_t limit = image.type == kTypeD81                             ? (1ULL << 40)
                              : image.type == kTypeD80 || image.type == kTypeD82 ? (1ULL << 32)
                                                                                 : (1ULL << 24);
        require(image.bamTracks[t] < limit, "bitmap within the type's width");
    }
}

}  // namespace qvx::fuzz
