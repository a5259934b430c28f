// The words of the problem codes and sources, in the order of their enumerations.
#include "disk/problem.h"

#include <iterator>

namespace qvx {
namespace {

constexpr std::string_view kProblemWords[] = {
    "unsupported-extension", "not-a-file",         "unsupported-size",  "not-a-g64",
    "open-failed",           "no-memory",          "read-failed",       "short-read",
    "unknown-dir-track",     "invalid-dir-sector", "cyclic-dir-sector",
};
static_assert(std::size(kProblemWords) ==
              static_cast<std::size_t>(ProblemCode::CyclicDirSector) + 1);

constexpr std::string_view kSourceWords[] = {"type", "directory", "bam", "errors"};
static_assert(std::size(kSourceWords) == static_cast<std::size_t>(ProblemSource::Errors) + 1);

}  // namespace

std::string_view problemWord(ProblemCode code) {
    return kProblemWords[static_cast<std::size_t>(code)];
}

std::string_view problemSourceWord(ProblemSource source) {
    return kSourceWords[static_cast<std::size_t>(source)];
}

}  // namespace qvx
