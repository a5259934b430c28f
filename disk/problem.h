// What went wrong while an image was read, as data: the readers trace each failure for people and
// also note it here, as a code a program can test.
#pragma once

#include <cstdint>

namespace qvx {

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
    G64TableCutShort,  // the file ends inside the track table
    G64OffsetPastEnd,  // the table places a track past the end of the file
    G64TrackTooLong,   // a track is longer than the header's track size
    G64TrackCutShort,  // the file ends inside a track
    G64NoTrack,        // not one track holds a sector: nothing of a disk
};

// Who noticed it: type detection, the G64 decoding or one of the three readers.
enum class ProblemSource : std::uint8_t { Type, G64, Directory, Bam, Errors };

struct Problem {
    ProblemCode code;
    ProblemSource source;
    // The sector concerned (the one read, or the one a link points to), or for a G64 the track
    // alone; -1 where none applies.
    std::int16_t track = -1;
    std::int16_t sector = -1;
    std::int64_t size = -1;  // unsupported-size: the file's size in bytes
};

inline bool operator==(const Problem& a, const Problem& b) {
    return a.code == b.code && a.source == b.source && a.track == b.track && a.sector == b.sector &&
           a.size == b.size;
}

}  // namespace qvx
