#pragma once

#include <cstdint>
#include <vector>

#include "plan/packing.h"
#include "plan/step_budget.h"

namespace drovalin {

// For folders where most items are over a quarter of the limit, so that a bin holds three of them at most:
// the bins of three should hold the smallest items (a larger item in one can always trade places with a
// smaller one in a bin of two), as many of them as the sizes allow. Near a third of the limit the balanced
// filling, which opens every bin with the largest free item, puts items just over a third three to a bin
// only where two items well under it remain, and leaves the others two to a bin: 7 % over the bound. Here
// the smallest items over a fifth (those between a fifth and a quarter make bins of three as well, or of
// four), three for each of as many bins as their sizes could fill in total, go to the balanced filling and
// the others to first-fit decreasing. At that count the balanced filling leaves a few bins short, so fewer
// bins of three are tried, a thousandth of them fewer at a time, until a few tries in a row save nothing;
// the fewest bins are kept. Smaller items (half of all at most, as small files beside large ones) then go
// where they fit best, or to bins of their own.
class ThreeItemFilling {
  public:
    // How many balanced fillings it runs at most, each over at most all the items.
    static constexpr std::int64_t kFillings = 16;

    static bool Applies(const std::vector<std::int64_t>& sizes, std::int64_t limit);
    // sizes largest first; the budget is for all its fillings.
    ThreeItemFilling(const std::vector<std::int64_t>& sizes, std::int64_t limit, StepBudget& budget);
    // Empty when the budget ran out first.
    Packing Run();

  private:
    Packing WithThrees(std::size_t bins);
    // Adds the items not over a fifth, each to the bin it fits best.
    void AddSmall(Packing& bins) const;

    const std::vector<std::int64_t>& sizes_;
    std::size_t large_ = 0;  // the items over a fifth, first of sizes_
    std::int64_t limit_;
    StepBudget& budget_;
};

}  // namespace drovalin
