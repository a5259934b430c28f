// The problems the readers note, in words: the codes JSON carries, and sentences for people.
#pragma once

#include <string>
#include <string_view>

#include "disk/image.h"

namespace qvx::cli {

// "unsupported-size", "cyclic-dir-sector", ...: lower case words joined by hyphens.
std::string_view problemWord(ProblemCode code);

// "type", "g64", "directory", "bam", "errors".
std::string_view problemSourceWord(ProblemSource source);

// One problem as a person reads it: the cause and what was found, such as "its size, 1000 bytes,
// is that of no D64, D71, D80, D81, D82 image, with or without error bytes".
std::string problemSentence(const Problem& problem);

// What qvx says of an image on standard error, shownPath as readablePath gives it:
// "qvx: PATH: not a readable disk image: CAUSES\n" for a file that is no readable image,
// "qvx: PATH: read with problems: CAUSES\n" for one read in spite of them, the sentences in the
// order the readers met them, joined by "; "; empty for an image read without a problem.
std::string imageReport(std::string_view shownPath, const DiskImage& image);

// What qvx says of a readable record asked for a view 3 it lacks: an image without error bytes
// (no error map) or a data file (no 6502 view).
std::string noViewThreeMessage(std::string_view shownPath, const DiskImage& image);

}  // namespace qvx::cli
