#pragma once

#include <array>
#include <cstdint>
#include <random>
#include <vector>

#include "plan/free_items.h"
#include "plan/packing.h"
#include "plan/step_budget.h"

namespace drovalin {

// Bin after bin, the largest free item completed as nearly exactly as a few random tries allow; for folders
// of very many items, where first-fit decreasing leaves a little room in every bin. While the room is more
// than three of the largest free items could fill, free items join first: the largest, or with drawn, items
// drawn at random (better where many items go to a bin). Then one partner is taken before two and two
// before three whenever it leaves no more room than a tolerance of about the gap between neighbouring
// sizes: large items completed by two small ones use the small ones up early, and the last bins then hold
// middling items three to a bin with much room left. Partners are drawn at random among the free items of
// the sizes that may complete the bin, so that each size is used about as often as it occurs. Seeded: the
// same packing on every run.
class BalancedFilling {
  public:
    // sizes largest first.
    BalancedFilling(const std::vector<std::int64_t>& sizes, std::int64_t limit, bool drawn,
                    StepBudget& budget);
    // Empty when the budget ran out first.
    Packing Run();

  private:
    std::int64_t Size(std::int32_t item) const { return sizes_[static_cast<std::size_t>(item)]; }
    // Completes the bin of first, whose room is left, into bin.
    void Complete(std::int32_t first, std::int64_t room, std::vector<std::int32_t>& bin);
    void Consider(std::initializer_list<std::int32_t> items, std::int64_t room);

    const std::vector<std::int64_t>& sizes_;
    std::int64_t limit_;
    bool drawn_;
    std::int64_t tolerance_ = 0;
    FreeItems free_;
    StepBudget& budget_;
    std::int64_t steps_ = 0;
    std::array<std::int32_t, 3> best_{};
    std::size_t bestCount_ = 0;
    std::int64_t bestRoom_ = 0;
    std::mt19937_64 random_{1};
};

}  // namespace drovalin
