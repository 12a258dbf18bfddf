#pragma once

#include <cstdint>
#include <random>
#include <vector>

#include "plan/packing.h"
#include "plan/step_budget.h"

namespace drovalin {

// A local search for a packing into a given number of bins: the items, largest first, each go into the
// least loaded bin, and bins may hold more than the limit while it runs. A step takes a random item from a
// random overfull bin and a random other bin, and moves the item there or swaps it with that bin's item that
// lowers the total overflow the most; a step that raises the overflow is taken with a probability falling
// with the rise (simulated annealing at a fixed temperature), so that the search leaves a local minimum.
// Seeded: the same packing on every run. Ends when no bin is overfull or the budget is spent. Suits folders
// with some room to spare, where very many packings fit; for folders that must fill every bin exactly the
// exact-fill searches do better.
class OverflowSearch {
  public:
    OverflowSearch(const std::vector<std::int64_t>& sizes, std::int64_t limit, StepBudget& budget);

    // True, with packing, when a packing into bins bins was found. Runs once.
    bool Run(std::int64_t bins, Packing& packing);

  private:
    std::int64_t Over(std::int64_t load) const { return load > limit_ ? load - limit_ : 0; }
    void Put(std::int32_t item, std::int32_t bin);
    void Take(std::int32_t item);
    void Mark(std::int32_t bin);
    bool Step();

    const std::vector<std::int64_t>& sizes_;
    std::int64_t limit_;
    StepBudget& budget_;
    double temperature_;
    std::vector<std::vector<std::int32_t>> bins_;
    std::vector<std::int64_t> load_;
    std::vector<std::int32_t> binOf_;
    std::vector<std::int32_t> overfull_;    // the bins over the limit
    std::vector<std::int32_t> overfullAt_;  // per bin, its place in overfull_, or -1
    std::int64_t overflow_ = 0;
    std::mt19937_64 random_{1};
};

}  // namespace drovalin
