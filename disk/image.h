// The per-image record that the readers fill and the renderers read: the whole state of one window.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "disk/format.h"
#include "disk/problem.h"

namespace qvx {

// The byte that pads a name on the disk after its last character.
constexpr std::uint8_t kNamePadding = 0xA0;

// One directory entry, or the disk header when it is the first element of dirEntries.
struct DirEntry {
    std::array<std::uint8_t, 16> name{};  // raw, in the disk's character codes
    std::uint16_t blocks = 0;
    std::array<std::uint8_t, 3> fileType{};  // "DEL", "SEQ", ...; zero in the header record
    std::array<std::uint8_t, 2> id{};        // header record only
    std::array<std::uint8_t, 2> dosType{};   // header record only
    std::uint8_t locked = 0;
    std::uint8_t closed = 0;
    // The slot as stored from its type byte on (zero in the header record): first sector, side
    // sector or GEOS info block, record length or GEOS structure, GEOS type and date stamp.
    std::array<std::uint8_t, 30> raw{};
};

// A single file rather than a disk: a program (load address, then its bytes) or a data file (SEQ,
// USR, REL), whose bytes are text.
enum FileKind : std::uint8_t { kFileNone = 0, kFileProgram = 1, kFileData = 2 };

// Free-sector bitmap of one track: bit n = sector n, 1 = free. Its list position is the track.
using BamTrack = std::uint64_t;

// Created fresh for each opened file, then filled by the readers and renderers in the order
// loadImage runs them; each field says who writes it.
struct DiskImage {
    // setType, called by getDirEntries, and for a G64 readG64; kTypeUnknown when undetermined.
    DiskType type = kTypeD64;
    DiskSubType subType = kSubTypeNone;  // getDirEntries, for kTypeD64x40 only
    std::uint8_t hasErrorBytes = 0;      // setType: 1 when the file has an error byte a sector
    DiskContainer container = kContainerSectors;  // setType
    // readG64, for a G64 only: the sectors decoded from its tracks, laid out as a D64 file with
    // error bytes, which the readers take in place of the file; loadImage releases it.
    std::vector<std::uint8_t> decodedSectors;
    std::vector<DirEntry> dirEntries;      // getDirEntries: header record, then the files
    std::vector<BamTrack> bamTracks;       // getBAMEntries, one per track read
    std::uint8_t wrapFlag = 0;             // the front end, then takeWrapBit
    std::uint8_t showState = 0;            // the view shown: the front end, then takeWrapBit
    std::u16string bamMapText;             // setupBAMMap
    std::u16string errorMapText;           // setupErrorMap
    std::int16_t blocksFree = 0;           // setupBAMMap
    std::int16_t errorCount = 0;           // getErrorData: the type's totalSectors
    std::vector<std::uint8_t> errorBytes;  // getErrorData: errorCount bytes, zero where unread
    std::vector<Problem> problems;         // setType and every reader: each failure, in order
    FileKind fileKind = kFileNone;         // readProgramFile; kFileNone for a disk image
    // readProgramFile: the file's bytes (a PC64 container's header taken off); empty for a disk.
    std::vector<std::uint8_t> fileBytes;
};

}  // namespace qvx
