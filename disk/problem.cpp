// The words of the problem codes.
#include "disk/problem.h"

namespace qvx {

std::string_view problemWord(ProblemCode code) {
    switch (code) {
        case ProblemCode::UnsupportedExtension:
            return "unsupported-extension";
        case ProblemCode::NotAFile:
            return "not-a-file";
        case ProblemCode::UnsupportedSize:
            return "unsupported-size";
        case ProblemCode::OpenFailed:
            return "open-failed";
        case ProblemCode::NoMemory:
            return "no-memory";
        case ProblemCode::ReadFailed:
            return "read-failed";
        case ProblemCode::ShortRead:
            return "short-read";
        case ProblemCode::UnknownDirTrack:
            return "unknown-dir-track";
        case ProblemCode::InvalidDirSector:
            return "invalid-dir-sector";
        case ProblemCode::CyclicDirSector:
            return "cyclic-dir-sector";
    }
    return "unknown";
}

std::string_view problemSourceWord(ProblemSource source) {
    switch (source) {
        case ProblemSource::Type:
            return "type";
        case ProblemSource::Directory:
            return "directory";
        case ProblemSource::Bam:
            return "bam";
        case ProblemSource::Errors:
            return "errors";
    }
    return "unknown";
}

}  // namespace qvx
