#pragma once

#include <cstdint>
#include <random>
#include <vector>

#include "plan/packing.h"
#include "plan/size_kinds.h"
#include "plan/step_budget.h"

namespace drovalin {

// A walk for packings that fill every bin exactly with items of at least a quarter of the limit; items of
// exactly a quarter are first set aside four to a bin, as many as they make, and the rest go three or
// fewer to a bin. It suits folders with very many such packings, where a tree search gets lost. Every bin
// stays exactly full all along; the items in no bin (the pool) therefore always add up to whole bins, and
// when only one bin's worth is left it fills that bin. A step packs a set of pool items that fills a bin;
// failing that, it swaps pool items for packed ones that add up to the same, or now and then, while the
// pool is small, makes a new bin of one pool item and two packed items from two bins, whose other items
// join the pool. Swaps give a fresh pool at each step, and a larger pool holds more sets to pack. Choices
// go by a seeded random order, the same on every run. Ends when the pool is empty or the budget is spent.
class ExactFillWalk {
  public:
    ExactFillWalk(const std::vector<std::int64_t>& sizes, std::int64_t limit, StepBudget& budget);
    bool Run(Packing& packing);
    // After Run failed: the exactly filled bins of the walk's state with the fewest items left over, and
    // those items, largest first.
    const Packing& ClosestBins() const { return closestBins_; }
    const std::vector<std::int32_t>& ClosestRest() const { return closestRest_; }

  private:
    static constexpr std::int32_t kNone = -1;

    // A move: the pool items first and second (or kNone) join the packed item partner's bin, whose
    // other items leave for the pool.
    struct Swap {
        std::int32_t first = kNone;
        std::int32_t second = kNone;
        std::int32_t partner = kNone;
    };

    std::int32_t KindOf(std::int64_t size) const;
    // An item of kind other than avoid1 and avoid2, in the pool when pooled, else packed in a bin other
    // than avoidBin; kNone when there is none.
    std::int32_t CopyOf(std::int32_t kind, bool pooled, std::int32_t avoid1, std::int32_t avoid2,
                        std::int32_t avoidBin);
    void Pool(std::int32_t item);
    void Unpool(std::int32_t item);
    void Dissolve(std::int32_t bin, std::int32_t keep);
    std::int32_t NewBin(std::initializer_list<std::int32_t> items);
    // Packs a set of pool items that fills a bin, holding at least one of fresh_; false when none does.
    bool PackFromPool();
    void ListSwaps();
    bool Break();
    Packing Result() const;
    void KeepIfClosest();
    // How many sets that fill a bin the items that swap would release belong to.
    std::int64_t Released(const Swap& swap) const;
    // Per item, the sets of it and a larger or smaller item and at most one of some kind that fill a bin,
    // so that swaps may prefer items that fit in many ways. False when the budget ran out.
    bool CountSets();

    std::int64_t limit_;
    StepBudget& budget_;
    const std::vector<std::int64_t>& sizes_;
    SizeKinds kinds_;
    std::vector<std::int32_t> binOf_;   // per item, or kNone when pooled
    std::vector<std::int32_t> poolAt_;  // per item, its place in pool_, or kNone
    std::vector<std::int32_t> pool_;
    std::vector<std::int32_t> fresh_;  // pool items that joined since the pool was last searched
    std::vector<std::vector<std::int32_t>> bins_;
    std::vector<std::int32_t> spareBins_;
    std::vector<Swap> swaps_;
    std::vector<std::int64_t> sets_;  // per item, from CountSets
    std::int32_t lastBin_ = kNone;
    std::int32_t fixedBins_ = 0;  // the bins of four quarters, first of bins_, never broken up
    Packing closestBins_;
    std::vector<std::int32_t> closestRest_;
    std::mt19937_64 random_{1};
};

}  // namespace drovalin
