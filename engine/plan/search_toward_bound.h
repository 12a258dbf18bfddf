#pragma once

#include <cstdint>
#include <vector>

#include "plan/packing.h"
#include "plan/step_budget.h"

namespace drovalin {

// The overflow search's steps on a whole folder.
inline constexpr std::int64_t kSpreadSteps = 6'000'000;

// The steps the exact-fill searches of ExactlyFilled may take on these sizes, on top of a plan's own.
std::int64_t ExactlyFilledSteps(const std::vector<std::int64_t>& sizes);

// The pool search, one bin fewer at a time down to bound while its steps last; each packing it finds is
// kept.
Packing FewerByPool(const std::vector<std::int64_t>& sizes, std::int64_t limit, Packing best,
                    std::int64_t bound, StepBudget& steps);

// Minimum bin slack, kept when it needs fewer bins.
Packing Fill(const std::vector<std::int64_t>& sizes, std::int64_t limit, Packing best, StepBudget& budget);

// On a folder that may fill every bin exactly: a short exact cover search settles folders where few sets
// fill a bin, either way; the walk suits those where very many do; the cover search then has its whole
// budget. Each ends the search once it finds such a packing; a cover search that ends without one proves
// that no exact filling exists, and proven rises. Where nearly every size is single the walk's count of sets
// would take too long (on folders of many files), and it is left out.
Packing ExactlyFilled(const std::vector<std::int64_t>& sizes, std::int64_t limit, Packing best,
                      std::int64_t& proven, StepBudget& budget);

// The overflow search between the bound and the fewest bins found so far, halving the gap: each success
// lowers the top, each failure (counted as no packing) raises the bottom. Where there is room to spare it
// meets the bound within a few thousand steps on small folders.
Packing Spread(const std::vector<std::int64_t>& sizes, std::int64_t limit, Packing best, std::int64_t proven,
               std::int64_t steps, StepBudget& budget);

// The searches toward the bound in turn: the overflow search and then the pool search where there is room
// to spare, the exact-fill searches where every bin may be filled exactly, bin completion, then the local
// search that empties bins. A search that ends without finding a packing, rather than running out of steps,
// proves that many bins too few: proven rises.
Packing Search(const std::vector<std::int64_t>& sizes, std::int64_t limit, Packing best, std::int64_t& proven,
               StepBudget& budget);

}  // namespace drovalin
