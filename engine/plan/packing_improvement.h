#pragma once

#include <cstdint>
#include <vector>

#include "plan/packing.h"
#include "plan/plan_control.h"

namespace drovalin {

struct PackingResult {
    Packing bins;                   // each bin's items in increasing order
    std::int64_t firstFitBins = 0;  // what first-fit decreasing alone needs
    std::int64_t simpleBound = 0;   // BinLowerBound
    std::int64_t provenBound = 0;   // the strongest lower bound found: L2 or the linear relaxation's
    bool cancelled = false;         // stopped on request; bins is the best packing found until then
};

// Packs the items, sizes largest first and each between 0 and limit, into as few bins as it can find:
// first-fit decreasing, minimum bin slack (up to a few thousand items) and two balanced fillings, which end
// the plan when one meets the bound; then toward the proven lower bound the overflow and pool searches (when
// there is room to spare), the exact cover and exact-fill searches (when every bin must be full), bin
// completion and a local search that empties bins. Larger folders have the overflow search start from the
// better of a balanced filling and first-fit decreasing, and the items of their emptiest bins packed again.
// Never more bins than first-fit decreasing. The work is bounded by step counts, so the result is the same
// on every run.
PackingResult PlanPacking(const std::vector<std::int64_t>& sizes, std::int64_t limit,
                          const PlanControl& control);

}  // namespace drovalin
