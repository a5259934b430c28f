// Disk images written by independent tools (cc1541, cbmconvert, floptool) at build time, with what
// each was asked to hold and the directory that cc1541 printed when it read the image back (for a
// G64, read from the D64 that holds the same sectors).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "disk/format.h"

namespace qvx::test {

// One file line of cc1541's directory printout.
struct ToolFile {
    std::vector<std::uint8_t> name;  // PETSCII bytes, without the 0xA0 padding
    std::uint16_t blocks = 0;
    std::string type;     // "DEL", "SEQ", "PRG", "USR", "REL" or "???"
    bool locked = false;  // "<" after the type
    bool open = false;    // "*" before the type: the closed bit is clear
};

// A file as the generation script asked the tool to write it.
struct RequestedFile {
    std::uint8_t typeByte = 0;       // 0 for a slot written as scratched
    std::uint32_t size = 0;          // bytes given; byte i of them is i mod 251 (GEOS: see geos/)
    std::vector<std::uint8_t> name;  // PETSCII bytes, unpadded
};

struct ToolImage {
    std::string fileName;  // e.g. "cc1541-35.d64"
    std::string path;      // full path for the readers (through u16path); Z: form under Wine
    std::string tool;      // "cc1541", "cbmconvert" or "floptool"
    std::string d64Path;   // a G64's: the D64 it was written from or beside; empty for others
    DiskType type = kTypeUnknown;  // the type the image was made as
    DiskSubType subType = kSubTypeNone;

    // The directory as cc1541 printed it.
    std::array<std::uint8_t, 16> diskName{};  // with its 0xA0 padding
    std::array<std::uint8_t, 2> id{};
    std::array<std::uint8_t, 2> dosType{};
    std::vector<ToolFile> files;  // in the printed order
    int blocksFree = 0;           // the "N blocks free." figure
    std::string listing;          // "cc1541 IMAGE" as printed
    std::string listingUpper;     // "cc1541 -U 1 IMAGE" (UTF-8, upper-case/graphics set)
    std::string listingLower;     // "cc1541 -U 2 IMAGE" (UTF-8, lower-case set)

    // What the script asked for. cbmconvert names the disk itself: no header request then.
    bool headerRequested = false;
    std::array<std::uint8_t, 16> requestedDiskName{};
    std::array<std::uint8_t, 2> requestedId{};
    std::array<std::uint8_t, 2> requestedDosType{};
    std::vector<RequestedFile> requested;

    std::string error;  // what could not be read or understood; empty when all is well
};

// The bytes of a data file the script wrote: byte i is i mod 251.
std::vector<std::uint8_t> patternBytes(std::size_t size);

// The fixture folder; empty when the test program was built without it.
std::string toolImagesDir();

// Every image of the fixture in the order the script made them; read once. Empty when the
// folder or its index is missing.
const std::vector<ToolImage>& toolImages();

// The image of that file name, or nullptr.
const ToolImage* findToolImage(std::string_view fileName);

// Name bytes as they lie in a directory slot: padded with 0xA0 to 16 bytes.
std::array<std::uint8_t, 16> padName(const std::vector<std::uint8_t>& name);

// PETSCII bytes of text as cc1541 prints it in ASCII: a-z stand for 0x41-0x5A, A-Z for
// 0xC1-0xDA, " " to "@" for themselves. Returns false at any other character.
bool petsciiFromListing(std::string_view printed, std::vector<std::uint8_t>& bytes);

}  // namespace qvx::test
