#pragma once

#include <cstdint>
#include <vector>

#include "plan/step_budget.h"

namespace drovalin {

// One kind of item for the knapsack: its size, how many of it may go in, and what each is worth.
struct KnapsackKind {
    std::int64_t size = 0;
    std::int64_t most = 0;
    double value = 0;
};

struct KnapsackPattern {
    std::vector<std::int64_t> counts;  // per kind, in the order given
    double value = 0;                  // of counts
    // No pattern is worth more than this: value when the search ended, else the bound of its linear
    // relaxation.
    double most = 0;
};

// The most valuable pattern of kinds whose sizes add up to at most limit (a bounded knapsack), by branch
// and bound over the kinds in order of value per size, with the bound of the linear relaxation. Sizes may
// be large, so there is no table over the limit. Stops early once the budget is spent.
KnapsackPattern BestPattern(const std::vector<KnapsackKind>& kinds, std::int64_t limit, StepBudget& budget);

}  // namespace drovalin
