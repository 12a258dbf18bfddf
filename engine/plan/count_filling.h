#pragma once

#include <cstdint>
#include <vector>

#include "plan/count_bound.h"
#include "plan/packing.h"
#include "plan/step_budget.h"

namespace drovalin {

// Bins shaped as the count bound finds them: where the items over a share of the limit (a quarter, a fifth,
// a sixth or a seventh) hold at most full to a bin, the bins holding full or one fewer should hold the
// smallest of them (a larger item in one can always trade places with a smaller one in a bin of fewer), as
// many of them as the sizes allow. Near a third of the limit the balanced filling, which opens every bin with
// the largest free item, puts items just over a third three to a bin only where two items well under it
// remain, and leaves the others two to a bin: 7 % over the bound. Here the smallest items go, full to a bin
// for the bound's number of full bins, then one fewer for as many bins as their sizes could fill, to the
// balanced filling, and the others to first-fit decreasing. At that shape the balanced filling leaves a few
// bins short, so fewer bins are tried (full ones where the bound has any, else those of one fewer), a
// thousandth of them fewer at a time, until a few tries in a row save nothing; the fewest bins are kept.
// Before that, with half the budget, the same counts are tried in level bins (each bin one item of each
// block of ranks), which fit nearer the bound where they fit at all: from the bound's count down until they
// fit, then the counts skipped above by halving; not where the items leave no room beside the bound's bins.
// Where they meet the bound, the balanced fillings are left out.
// Smaller items (half of all at most, as small files beside large ones) then go where they fit best, or to
// bins of their own.
class CountFilling {
  public:
    // How many times it fills by the balanced filling at most, each time over at most all the items, and the
    // most counts tried in level bins before one fits.
    static constexpr std::int64_t kFillings = 16;
    static constexpr std::int64_t kLevelTries = 4;
    // The budget it takes, in balanced fillings: as much again for the level bins.
    static constexpr std::int64_t kBudgetFillings = 2 * kFillings;

    // counts over the same sizes.
    static bool Applies(const std::vector<std::int64_t>& sizes, std::int64_t limit, const CountBound& counts);
    // sizes largest first; the budget is for all its fillings.
    CountFilling(const std::vector<std::int64_t>& sizes, std::int64_t limit, const CountBound& counts,
                 StepBudget& budget);
    // Empty when the budget ran out first.
    Packing Run();

  private:
    Packing WithShape(std::int64_t fulls, std::int64_t fewers, bool level, StepBudget& budget);
    // Adds the items not counted, each to the bin it fits best.
    void AddSmall(Packing& bins) const;

    const std::vector<std::int64_t>& sizes_;
    std::int64_t limit_;
    const CountBound& counts_;
    CountShape shape_;
    std::size_t large_ = 0;  // the items counted, first of sizes_
    StepBudget& budget_;
};

}  // namespace drovalin
