// Counts every allocation the program makes, so a benchmark can report allocations per load.
#pragma once

#include <cstdint>

namespace qvx::bench {

std::uint64_t allocationCount();

}  // namespace qvx::bench
