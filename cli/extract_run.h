// qvx --extract: the files of images copied into a folder.
#pragma once

#include "cli/app.h"
#include "cli/options.h"

namespace qvx::cli {

// Writes the files of every image of options.paths (those matching options.find) into the
// folder options.extract, or of several images each into a folder of its own under it, named
// after the image without its extension. Reports on standard error every file that did not
// come out whole and why, and each one skipped; with options.json one line per file written on
// standard output, else one summary line per image. Returns kExitOk when every file came out
// whole, else kExitUnreadable.
int runExtract(const Options& options, const Console& console);

}  // namespace qvx::cli
