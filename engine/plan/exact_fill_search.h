#pragma once

#include <cstdint>
#include <random>
#include <vector>

#include "plan/packing.h"
#include "plan/step_budget.h"

namespace drovalin {

// Packs items that must fill every bin exactly, each item over a quarter of the limit (so a bin holds one
// to three items): a depth-first search that always completes the item with the fewest ways left to fill
// its bin, and backs up as soon as any item has none. Counting the ways cheaply is what makes this work:
// for every sum a bin could still need, the number of pairs of free items making it is kept up to date as
// items are taken and given back. Items of equal size are one kind, tried once in each place. Such a
// search either ends fast or gets lost low in the tree after a poor early choice. It first tries the ways
// to fill a bin that use the partners with the fewest ways of their own (they would be hardest to place
// later, and taking them removes the fewest ways from the other items), as a limited discrepancy search:
// paths that leave that order at most 0, 1, 2... times. Then it restarts with a growing node limit,
// breaking ties and ordering the ways by a seeded random order, the same on every run; the last restart
// has no node limit but the budget's.
class ExactFillSearch {
  public:
    // sizes largest first.
    ExactFillSearch(const std::vector<std::int64_t>& sizes, std::int64_t limit, StepBudget& budget);

    // True when the items fill every bin to limit exactly, each over a quarter of it.
    static bool Applies(const std::vector<std::int64_t>& sizes, std::int64_t limit);
    // True, with the packing, when one was found; false when there is none or the budget ran out.
    bool Run(Packing& packing);
    // After Run failed: true when the search ended, so that no exact filling exists.
    bool Proven() const { return proven_; }

  private:
    std::size_t KindOf(std::int64_t size) const;   // or Kinds() when no item has that size
    std::size_t TargetOf(std::int64_t sum) const;  // or targets' size when no bin can need that sum
    std::size_t Kinds() const { return sizes_.size(); }
    void Take(std::size_t kind);
    void Give(std::size_t kind);
    void CountPairs(std::size_t kind, std::int64_t sign);
    // The ways to fill the bin of one more item of kind, not counting that item.
    std::int64_t Ways(std::size_t kind) const;
    bool Place();
    bool Close(std::size_t kind, std::size_t second, std::size_t third);
    bool Discrepancies();

    std::int64_t limit_;
    StepBudget& budget_;
    std::vector<std::int64_t> sizes_;               // of the kinds, largest first
    std::vector<std::int64_t> free_;                // items of each kind not yet in a bin
    std::vector<std::vector<std::int32_t>> items_;  // of each kind, the free ones at the back
    std::vector<std::int64_t> targets_;             // every sum a bin may need, ascending
    std::vector<std::int64_t> pairs_;               // pairs of free items adding up to each target
    // Per kind, for an item of it: the target its bin needs, and the kinds of the item that alone fills
    // it and of the partner that would pair with the item itself (Kinds() for none).
    std::vector<std::size_t> need_, single_, twin_;
    std::int64_t freeCount_ = 0;
    Packing bins_;
    bool exhausted_ = false;
    bool restart_ = false;
    bool proven_ = false;
    std::int64_t nodes_ = 0;
    std::int64_t nodeLimit_ = 0;
    // In the limited discrepancy search: how many more times a path may leave the order, and the budget's
    // use at which that search gives way to the restarts; -1 in the restarts.
    int discrepancies_ = -1;
    std::int64_t orderedUntil_ = 0;
    std::mt19937_64 random_;
};

}  // namespace drovalin
