#pragma once

#include <cstdint>
#include <random>
#include <vector>

#include "plan/packing.h"
#include "plan/step_budget.h"

namespace drovalin {

// A local search for a packing into a given number of bins where little room is to spare. All but two
// bins are kept within the limit; the items in none of them (the pool) must end up fitting the last two.
// A move takes one or two pool items into a bin for none, one or two of its items, staying within the
// limit: the move that raises a bin's load the most, ties at random, or when none raises one, the move that
// lowers one the least. Items just moved stay put for a few moves, so that the search does not undo
// itself; on large folders a move looks at a run of bins only. Where the room to spare is a small part of
// a bin, the overflow search wanders among overfull packings; this one fills bins up one swap at a time
// and meets the bound on most such folders within a few hundred moves. Seeded: the same packing on every
// run. Ends when the pool fits two bins or the budget is spent.
class PoolFillSearch {
  public:
    PoolFillSearch(const std::vector<std::int64_t>& sizes, std::int64_t limit, StepBudget& budget);
    // True, with the packing, when every item fits in at most bins bins. Starts from start's fullest bins,
    // all but two, with the items of the others in the pool. Runs once.
    bool Run(const Packing& start, std::int64_t bins, Packing& packing);

  private:
    struct Move {
        std::int32_t bin = -1;
        std::int32_t in1 = -1;  // places in pool_
        std::int32_t in2 = -1;
        std::int32_t out1 = -1;  // items of the bin
        std::int32_t out2 = -1;
        std::int64_t gain = 0;
    };

    std::int64_t Size(std::int32_t item) const { return sizes_[static_cast<std::size_t>(item)]; }
    // False when the budget ran out; otherwise move holds the best move, or bin -1 when there is none.
    bool BestMove(Move& move);
    void Apply(const Move& move);
    bool PoolFits(Packing& packing);

    const std::vector<std::int64_t>& sizes_;
    std::int64_t limit_;
    StepBudget& budget_;
    Packing bins_;
    std::vector<std::int64_t> loads_;
    std::vector<std::int32_t> pool_;
    std::int64_t poolSize_ = 0;
    std::vector<std::int64_t> movedAt_;  // per item, the move that last moved it
    std::int64_t moves_ = 0;
    std::mt19937_64 random_{1};
};

}  // namespace drovalin
