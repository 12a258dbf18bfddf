#pragma once

#include <cstdint>
#include <vector>

namespace drovalin {

// How the items over limit / parts could lie in bins, no bin holding more than full of them (at least
// parts - 1): fulls bins of full, fewers bins of full - 1, every other bin two fewer than full at most.
struct CountShape {
    std::int64_t parts = 0;
    std::int64_t full = 0;
    std::int64_t fulls = 0;
    std::int64_t fewers = 0;
    std::int64_t bins = 0;  // the fewest bins of that shape
};

// A bound from how many items a bin holds: no bin holds four items over a quarter of the limit, five over a
// fifth, six over a sixth or seven over a seventh, and it holds the most it can only where they add up to no
// more than the limit, which the smallest such items allow for a number of bins at most; so for one fewer.
// Above the others where many items lie just around a third, or a few to a bin in a narrow range.
class CountBound {
  public:
    // sizes in any order.
    CountBound(const std::vector<std::int64_t>& sizes, std::int64_t limit);
    // The shape of the highest bound, with the number of full bins that gives it.
    CountShape Best() const { return best_; }
    // The most bins of full - 1 the smallest items allow beside fulls full bins; -1 where fulls overflow.
    std::int64_t MostFewers(std::int64_t parts, std::int64_t full, std::int64_t fulls) const;

  private:
    // Where the items over limit / parts begin in ascending.
    std::size_t First(std::int64_t parts) const;
    CountShape BestOf(std::int64_t parts, std::int64_t full) const;

    std::vector<std::int64_t> ascending_;
    std::vector<std::int64_t> sums_;  // sums_[i]: the first i of ascending_ added up
    std::int64_t limit_;
    CountShape best_;
};

std::int64_t BinLowerBoundCount(const std::vector<std::int64_t>& sizes, std::int64_t limit);

}  // namespace drovalin
