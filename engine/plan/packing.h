#pragma once

#include <cstdint>
#include <vector>

namespace drovalin {

// Items are given by their sizes, largest first; a bin holds items whose sizes add up to at most limit.
// A packing lists, per bin, the indexes of its items.
using Packing = std::vector<std::vector<std::int32_t>>;

// First-fit decreasing: each item, largest first, goes into the first bin with room for it. Every size must
// lie between 0 and limit. Runs in O(n log n).
Packing FirstFitDecreasing(const std::vector<std::int64_t>& sizes, std::int64_t limit);

// True when packing holds every item exactly once and no bin's sizes add up to more than limit.
bool IsPacking(const Packing& packing, const std::vector<std::int64_t>& sizes, std::int64_t limit);

// True when every size lies between a quarter of limit and limit and they add up to whole bins: then bins
// filled exactly hold at most three items, or four of exactly a quarter, as the exact searches pack them.
bool ExactlyFillable(const std::vector<std::int64_t>& sizes, std::int64_t limit);

// The fewest bins any packing could use: the sizes' sum over limit, rounded up, and at least one bin for
// any item at all.
std::int64_t BinLowerBound(const std::vector<std::int64_t>& sizes, std::int64_t limit);

// A lower bound that also counts items too large to share a bin (Martello and Toth's L2): never below
// BinLowerBound, often above it when many items exceed half a bin.
std::int64_t BinLowerBoundL2(const std::vector<std::int64_t>& sizes, std::int64_t limit);

// A lower bound from Fekete and Schepers' dual feasible functions: with k from 1 to 20, an item of size x
// counts as x when (k + 1) x / limit is whole, else as floor((k + 1) x / limit) limit / k; no bin's items
// count more than limit, so the counted total over limit, rounded up, is a bound. Often above L2 when many
// items lie between a third and a half of a bin.
std::int64_t BinLowerBoundDff(const std::vector<std::int64_t>& sizes, std::int64_t limit);

// The sizes of the given items, in their order.
std::vector<std::int64_t> SizesOf(const std::vector<std::int64_t>& sizes,
                                  const std::vector<std::int32_t>& items);

// Appends bins packed over a part of the items, each index into the part turned back into its item.
void AppendBins(Packing& to, const Packing& bins, const std::vector<std::int32_t>& items);

}  // namespace drovalin
