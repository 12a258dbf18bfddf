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
// first-fit decreasing, then minimum bin slack, and toward the proven lower bound the overflow and pool
// searches (when there is room to spare), the exact cover and exact-fill searches (when every bin must be
// full), bin completion and a local search that empties bins.
// Folders of more than a few thousand items also get two balanced fillings, the searches start from the
// better of those and first-fit decreasing, and the items of the emptiest bins are packed again. Never more
// bins than first-fit decreasing. The work is bounded by step counts, so the result is the same on every run.
PackingResult PlanPacking(const std::vector<std::int64_t>& sizes, std::int64_t limit,
                          const PlanControl& control);

}  // namespace drovalin
