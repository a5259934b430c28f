// The words of the problem codes and sources, in the order of their enumerations, and the
// sentences made of a problem's code, source and place.
#include "cli/problem_text.h"

#include <iterator>

#include "render/detect_extensions.h"
#include "render/load.h"

namespace qvx::cli {
namespace {

constexpr std::string_view kProblemWords[] = {
    "unsupported-extension", "not-a-file",         "unsupported-size",    "not-a-g64",
    "open-failed",           "no-memory",          "read-failed",         "short-read",
    "unknown-dir-track",     "invalid-dir-sector", "cyclic-dir-sector",   "g64-table-cut-short",
    "g64-offset-past-end",   "g64-track-too-long", "g64-track-cut-short", "g64-no-track",
};
static_assert(std::size(kProblemWords) == static_cast<std::size_t>(ProblemCode::G64NoTrack) + 1);

constexpr std::string_view kSourceWords[] = {"type", "g64", "directory", "bam", "errors"};
static_assert(std::size(kSourceWords) == static_cast<std::size_t>(ProblemSource::Errors) + 1);

// What the source was reading, as the object of a sentence.
constexpr std::string_view kSourceParts[] = {"type", "G64 tracks", "directory", "BAM",
                                             "error bytes"};
static_assert(std::size(kSourceParts) == std::size(kSourceWords));

// "D64, D71, D80, D81, D82": the image names of the format table, each once.
std::string sectorImageNames() {
    std::string names;
    for (const DiskFormat& format : kDiskFormats) {
        const std::string_view name = format.typeName.substr(0, format.typeName.find(' '));
        if (names.find(name) == std::string::npos)
            names += (names.empty() ? "" : ", ") + std::string(name);
    }
    return names;
}

std::string place(const Problem& p) {
    return std::to_string(p.track) + "/" + std::to_string(p.sector);
}

}  // namespace

std::string_view problemWord(ProblemCode code) {
    return kProblemWords[static_cast<std::size_t>(code)];
}

std::string_view problemSourceWord(ProblemSource source) {
    return kSourceWords[static_cast<std::size_t>(source)];
}

std::string problemSentence(const Problem& p) {
    const std::string part(kSourceParts[static_cast<std::size_t>(p.source)]);
    const std::string track = std::to_string(p.track);
    const bool atSector = p.track >= 0 && p.sector >= 0;
    switch (p.code) {
        case ProblemCode::UnsupportedExtension:
            return "its extension is none of " + extensionList();
        case ProblemCode::NotAFile:
            return "there is no file of that name, or it is a folder or a device";
        case ProblemCode::UnsupportedSize:
            return "its size, " + std::to_string(p.size) + " bytes, is that of no " +
                   sectorImageNames() + " image, with or without error bytes";
        case ProblemCode::NotAG64:
            return "it does not begin with the signature and version of a G64";
        case ProblemCode::OpenFailed:
            return "the file could not be opened to read its " + part;
        case ProblemCode::NoMemory:
            return "there was no memory to read its " + part;
        case ProblemCode::ReadFailed:
            return atSector ? "sector " + place(p) + " of its " + part + " could not be read"
                            : "its " + part + " could not be read";
        case ProblemCode::ShortRead:
            return atSector ? "the file ends inside sector " + place(p) + " of its " + part
                            : "the file ends inside its " + part;
        case ProblemCode::UnknownDirTrack:
            return "its directory links to " + place(p) + ", off the directory track";
        case ProblemCode::InvalidDirSector:
            return "its directory links to " + place(p) + ", a sector no directory track has";
        case ProblemCode::CyclicDirSector:
            return "its directory links back to " + place(p) + ", read before";
        case ProblemCode::G64TableCutShort:
            return "the file ends inside the G64's track table";
        case ProblemCode::G64OffsetPastEnd:
            return "the G64's table places track " + track + " past the end of the file";
        case ProblemCode::G64TrackTooLong:
            return "the G64's track " + track + " is longer than its track size";
        case ProblemCode::G64TrackCutShort:
            return "the file ends inside the G64's track " + track;
        case ProblemCode::G64NoTrack:
            return "not one track of the G64 holds a sector";
    }
    return {};  // no other code: the switch names them all
}

std::string imageReport(std::string_view shownPath, const DiskImage& image) {
    const bool readable = isReadableImage(image);
    if (readable && image.problems.empty()) return {};
    std::string message = "qvx: " + std::string(shownPath) +
                          (readable ? ": read with problems" : ": not a readable disk image");
    for (std::size_t i = 0; i < image.problems.size(); ++i)
        message += (i == 0 ? ": " : "; ") + problemSentence(image.problems[i]);
    return message + "\n";
}

std::string noViewThreeMessage(std::string_view shownPath, const DiskImage& image) {
    return "qvx: " + std::string(shownPath) +
           (image.fileKind != kFileNone ? ": a data file has no 6502 view (view 3)\n"
                                        : ": no error bytes, so no error map (view 3)\n");
}

}  // namespace qvx::cli
