#pragma once

#include <cstdint>
#include <vector>

#include "plan/free_items.h"
#include "plan/packing.h"
#include "plan/step_budget.h"

namespace drovalin {

// Minimum bin slack (Gupta and Ho, in the variant that opens each bin with the largest free item): bin
// after bin, the largest free item is joined by the set of free items that leaves the least room, found by
// a search of at most a fixed number of steps a bin. Once the budget is spent, each bin only gets the
// search's first, greedy, descent.
class SlackFilling {
  public:
    SlackFilling(const std::vector<std::int64_t>& sizes, std::int64_t limit, StepBudget& budget);
    Packing Run();

  private:
    std::int64_t Size(std::int32_t item) const { return sizes_[static_cast<std::size_t>(item)]; }
    void Fill(std::int32_t from, std::int64_t room);

    const std::vector<std::int64_t>& sizes_;
    std::int64_t limit_;
    FreeItems free_;
    StepBudget& budget_;
    std::vector<std::int32_t> chosen_;
    std::vector<std::int32_t> best_;
    std::int64_t bestRoom_ = 0;
    std::int64_t binSteps_ = 0;
    std::int64_t binStepLimit_ = 0;
};

}  // namespace drovalin
