#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "plan/packing.h"
#include "plan/step_budget.h"

namespace drovalin {

// Bins of exactly perBin items each, where the items must lie that many to a bin as level as their sizes
// allow: where bins of three items a little over a quarter must hold the smallest of them, and their sum
// leaves a few hundredths of a percent of room per bin. Filling bin after bin leaves the last ones over, as
// it uses well-matched items up early. Here the items, smallest first, are cut into perBin blocks of ranks,
// each bin taking one item of every block: the first two blocks in the same order half a block apart
// (their sums then spread as evenly as the third block's, largest against smallest), each other block in
// the order that puts its largest items beside the smallest sums so far. Then block after block is taken
// out and put back that way against the sums of the others, which levels the sums further, until no bin
// is over the limit or the overflowing bins stop becoming fewer.
class RankBlockFilling {
  public:
    // sizes largest first, perBin items to a bin for sizes.size() / perBin bins.
    RankBlockFilling(const std::vector<std::int64_t>& sizes, std::int64_t limit, std::size_t perBin);
    // The bins when every one is within the limit; empty when the sizes do not divide into bins of perBin,
    // when some bin is still over after the rounds, or when the budget ran out first.
    Packing Run(StepBudget& budget);

  private:
    // Puts the items of block (in the sums when placed) back, its largest beside the smallest sums of the
    // other blocks.
    void Rematch(std::size_t block, bool placed);
    std::int64_t Overflowing() const;
    // The size of the item of rank, smallest first.
    std::int64_t Size(std::size_t rank) const { return sizes_[sizes_.size() - 1 - rank]; }

    const std::vector<std::int64_t>& sizes_;
    std::int64_t limit_;
    std::size_t perBin_;
    std::size_t bins_ = 0;
    std::vector<std::size_t> ranks_;  // ranks_[block * bins_ + bin]: the bin's item of block, by rank
    std::vector<std::int64_t> sums_;  // each bin's total
};

}  // namespace drovalin
