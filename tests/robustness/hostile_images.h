// Images that no drive would write, shared by the robustness tests on every platform: images
// filled with one byte value, directory chains that go astray, D80/D82 BAM ranges out of order,
// and the well-formed image of each type they are measured against.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "disk/format.h"
#include "support/image_builder.h"
#include "support/image_kinds.h"

namespace qvx::test {

// A header, a few files and (with error bytes) a few error codes.
ImageBuilder wellFormedImage(DiskType type, bool errorBytes);

// Every byte of the file, error bytes included, set to fill.
ImageBuilder filledImage(DiskType type, bool errorBytes, std::uint8_t fill);
// "fill-ff-d64x40-errors.d64"
std::string filledName(DiskType type, bool errorBytes, std::uint8_t fill);

// What the layout of a filled image makes the readers find, worked out from the format, not from
// the readers: the trace lines (without "QVX: "; none of them names the file) and the counts
// the views show.
std::vector<std::u16string> filledTrace(DiskType type, bool errorBytes, std::uint8_t fill);
std::size_t filledFileEntries(std::uint8_t fill);
std::size_t filledBamTracks(DiskType type);
int filledBlocksFree(DiskType type, std::uint8_t fill);

// A directory chain that goes wrong, with the lines the walk writes after "type is <...>".
struct ChainCase {
    std::string name;
    ImageBuilder image;
    std::vector<std::u16string> walkLines;
    std::size_t entries;  // dirEntries after the walk, the header record included
};
std::vector<ChainCase> brokenChains();

// A D80 or D82 whose BAM sectors carry odd range bytes 4 and 5; every bitmap byte is 0xFF.
struct BamRangeCase {
    std::string name;
    ImageBuilder image;
    std::size_t tracks;  // BAM tracks read
    int blocksFree;
};
std::vector<BamRangeCase> oddBamRanges();

}  // namespace qvx::test
