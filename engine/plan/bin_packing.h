#pragma once

#include <cstdint>
#include <vector>

namespace drovalin {

// Items are given by their sizes, largest first; a bin holds items whose sizes add up to at most limit.
// A packing lists, per bin, the indexes of its items in increasing order.
using Packing = std::vector<std::vector<std::int32_t>>;

// First-fit decreasing: each item, largest first, goes into the first bin with room for it. Every size must
// lie between 0 and limit. Runs in O(n log n).
Packing FirstFitDecreasing(const std::vector<std::int64_t>& sizes, std::int64_t limit);

// The fewest bins any packing could use: the sizes' sum over limit, rounded up, and at least one bin for
// any item at all.
std::int64_t BinLowerBound(const std::vector<std::int64_t>& sizes, std::int64_t limit);

// A lower bound that also counts items too large to share a bin (Martello and Toth's L2): never below
// BinLowerBound, often above it when many items exceed half a bin.
std::int64_t BinLowerBoundL2(const std::vector<std::int64_t>& sizes, std::int64_t limit);

// Looks for a packing with fewer bins than start, down to the lower bound L2: first a search that completes
// bin after bin within the waste such a count allows, then bins each filled with the fullest set of what is
// left, then a local search that empties bins. The work is bounded by step counts, so the result is the same
// on every run. Returns start when nothing better was found.
Packing ImprovePacking(const std::vector<std::int64_t>& sizes, std::int64_t limit, Packing start);

}  // namespace drovalin
