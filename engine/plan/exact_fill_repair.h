#pragma once

#include <cstdint>
#include <random>
#include <vector>

#include "plan/packing.h"
#include "plan/size_kinds.h"
#include "plan/step_budget.h"

namespace drovalin {

// A local search for the packings ExactFillSearch looks for (every bin filled exactly, each item over a
// quarter of the limit), which finds them where the tree search gets lost because the sums a bin needs are
// met by very many sets: a free item is put in a bin with a set that fills it exactly, taken from wherever
// those items are, and the bins they leave are emptied again. The set chosen empties the fewest bins; ties,
// and now and then any set, are chosen by a seeded random order, the same on every run. Ends when no item
// is free or the budget is spent.
class ExactFillRepair {
  public:
    ExactFillRepair(const std::vector<std::int64_t>& sizes, std::int64_t limit, StepBudget& budget);
    bool Run(Packing& packing);

  private:
    static constexpr std::int32_t kNone = -1;

    struct Way {
        std::int32_t second = kNone;
        std::int32_t third = kNone;
        int emptied = 0;
    };

    // A copy of kind other than avoid1 and avoid2, a free one when there is one.
    std::int32_t CopyOf(std::size_t kind, std::int32_t avoid1, std::int32_t avoid2);
    void Free(std::int32_t item);
    void Unfree(std::int32_t item);
    void EmptyBin(std::int32_t bin);
    void Move(std::int32_t item);

    std::int64_t limit_;
    StepBudget& budget_;
    const std::vector<std::int64_t>& sizes_;
    SizeKinds kinds_;
    std::vector<std::int32_t> binOf_;   // per item, or kNone when free
    std::vector<std::int32_t> freeAt_;  // per item, its place in free_, or kNone
    std::vector<std::int32_t> free_;
    std::vector<std::vector<std::int32_t>> bins_;
    std::vector<std::int32_t> spareBins_;
    std::mt19937_64 random_{1};
};

}  // namespace drovalin
