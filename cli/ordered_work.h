// Work on many items spread over threads, its results handed back in the items' order.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

namespace qvx::cli {

// What the work on one image gives the printer.
struct ImageResult {
    std::string out;       // for standard output
    std::string err;       // for standard error, written after out
    bool failed = false;   // counts against the exit status
    bool matched = false;  // --find: at least one entry matched
};

using Work = std::function<ImageResult(std::size_t index)>;
using Deliver = std::function<void(ImageResult& result)>;
using Waiting = std::function<void(std::size_t delivered)>;

// Runs work for items 0 to count - 1 on up to threads threads and calls deliver with each result
// on the calling thread, in item order, as soon as it and those before it are done; at most a
// window of results waits, so memory stays bounded however many items there are. While the next
// result is not there, waiting is called about every 100 ms. With one thread (or one item) all
// runs on the calling thread. work must be safe to run on several threads at once.
void runInOrder(std::size_t count, unsigned threads, const Work& work, const Deliver& deliver,
                const Waiting& waiting);

}  // namespace qvx::cli
