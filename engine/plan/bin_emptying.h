#pragma once

#include <cstdint>
#include <vector>

#include "plan/packing.h"
#include "plan/step_budget.h"

namespace drovalin {

// A local search that empties bins: the items of the emptiest bin are set free, and each other bin swaps up
// to two of its items for up to two free ones whenever that makes it fuller, so the free items get smaller
// until they fit where there is room. A packing with as many bins but fuller bins is kept as the next start.
// Stops at the lower bound or once the budget is spent, so the result is the same on every run; never
// returns more bins than start.
Packing EliminateBins(const std::vector<std::int64_t>& sizes, std::int64_t limit, Packing start,
                      std::int64_t lower, StepBudget& budget);

}  // namespace drovalin
