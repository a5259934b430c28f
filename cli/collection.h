// qvx over many images: folders expanded, the images read in parallel, the results in order.
#pragma once

#include "cli/app.h"
#include "cli/options.h"

namespace qvx::cli {

// Runs the command for options.paths as a collection: text with a path line before each
// image's, JSON Lines, or the entries --find matches. Returns the exit status.
int runCollection(const Options& options, const Console& console);

}  // namespace qvx::cli
