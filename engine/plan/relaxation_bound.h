#pragma once

#include <cstdint>
#include <vector>

#include "plan/step_budget.h"

namespace drovalin {

// A lower bound on the bins from the linear relaxation of the model whose columns are the sets that fit in
// a bin, on the sizes grouped into kinds of equal size, by column generation: the relaxation over the
// patterns found so far gives prices per kind, and a knapsack over those prices finds the most valuable
// pattern. Every round also proves a bound on its own (Farley's): the prices divided by the most any
// pattern is worth are feasible for the dual, so their total is a bound whether or not the relaxation was
// solved to the end, and whatever the rounding in the simplex. Stops once the bound reaches enough, the
// relaxation is solved or the budget is spent. With many different sizes, each pivot would cost too many
// steps: the sizes are rounded down into groups first, which keeps the bound a bound. Sizes largest first,
// each between 1 and limit.
std::int64_t RelaxationBound(const std::vector<std::int64_t>& sizes, std::int64_t limit, std::int64_t enough,
                             StepBudget& budget);

}  // namespace drovalin
