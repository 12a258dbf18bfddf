#pragma once

#include <cstdint>
#include <vector>

namespace drovalin::bench {

// The walk as first written: every start row walks every later row, about n^2/2 reads. Sizes must be
// sorted largest first. Returns the number of combinations; only there to be timed against the search.
std::int64_t NaiveWalk(const std::vector<std::int64_t>& sizes, std::int32_t capacity);

}  // namespace drovalin::bench
