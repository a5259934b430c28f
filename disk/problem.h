// What went wrong while an image was read, as data: the readers trace each failure for people and
// also note it here, in words a program can test.
#pragma once

#include <cstdint>
#include <string_view>

namespace qvx {

// problem.cpp keeps the words in this order.
enum class ProblemCode : std::uint8_t {
    UnsupportedExtension,  // the extension names no image type
    NotAFile,              // no size to be had: missing, a folder, a device
    UnsupportedSize,       // the size fits no image type
    NotAG64,               // named as a G64, but without its signature and version
    OpenFailed,
    NoMemory,
    ReadFailed,        // not one byte of a sector arrived
    ShortRead,         // some bytes arrived, not all
    UnknownDirTrack,   // a directory link leaves the directory track
    InvalidDirSector,  // a directory link points past sector 40
    CyclicDirSector,   // a directory link comes back to a sector already read
};

// Who noticed it: type detection or one of the three readers.
enum class ProblemSource : std::uint8_t { Type, Directory, Bam, Errors };

struct Problem {
    ProblemCode code;
    ProblemSource source;
    // The sector concerned (the one read, or the one a link points to); -1 where none applies.
    std::int16_t track = -1;
    std::int16_t sector = -1;
};

inline bool operator==(const Problem& a, const Problem& b) {
    return a.code == b.code && a.source == b.source && a.track == b.track && a.sector == b.sector;
}

// "unsupported-size", "cyclic-dir-sector", ...: lower case words joined by hyphens.
std::string_view problemWord(ProblemCode code);
// "type", "directory", "bam", "errors".
std::string_view problemSourceWord(ProblemSource source);

}  // namespace qvx
