#pragma once

#include <cstdint>
#include <vector>

#include "plan/free_items.h"
#include "plan/packing.h"
#include "plan/step_budget.h"

namespace drovalin {

// Bin completion, a branch and bound over bins: the largest free item opens the next bin, and the bin is
// completed with each maximal set of free items that keeps the waste within what the bin count allows,
// fullest sets first; a dead end takes the next set. Equal sizes are interchangeable, so only one of them is
// tried in each place, and an item is only tried where it can end the bin within the waste or leave room
// for another, which makes a bin that must be filled exactly cost a lookup per item rather than per pair.
class CompletionSearch {
  public:
    CompletionSearch(const std::vector<std::int64_t>& sizes, std::int64_t limit, StepBudget& budget);

    // True, with the packing, when every item fits in at most bins bins. False when there is no such
    // packing or the budget ran out first (Exhausted() tells which). Runs once.
    bool Run(std::int64_t bins, Packing& packing);
    bool Exhausted() const { return exhausted_; }

  private:
    std::int64_t Size(std::int32_t item) const { return sizes_[static_cast<std::size_t>(item)]; }
    bool OpenBin(std::int64_t binsLeft, std::int64_t wasteLeft);
    bool Extend(std::int32_t from, std::int64_t room, std::int64_t binsLeft, std::int64_t wasteLeft);

    const std::vector<std::int64_t>& sizes_;
    std::int64_t limit_;
    FreeItems free_;
    Packing bins_;
    StepBudget& budget_;
    bool exhausted_ = false;
};

}  // namespace drovalin
