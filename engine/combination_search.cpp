#include "combination_search.h"

#include <algorithm>
#include <stdexcept>
#include <vector>

namespace drovalin {
namespace {

using Run = CombinationTable::Run;

// The first index in [lo, hi) where pred holds, or hi; pred must be false then true along the range.
// Probes gallop from lo before halving, so an answer near lo costs only a few probes.
template <class Pred>
std::int32_t FirstTrue(std::int32_t lo, std::int32_t hi, Pred pred) {
    std::int64_t step = 1;
    while (lo < hi) {
        const auto probe = static_cast<std::int32_t>(lo + std::min<std::int64_t>(step, hi - lo) - 1);
        if (pred(probe)) {
            hi = probe;
            break;
        }
        lo = probe + 1;
        step *= 2;
    }
    while (lo < hi) {
        const std::int32_t mid = lo + (hi - lo) / 2;
        if (pred(mid))
            hi = mid;
        else
            lo = mid + 1;
    }
    return lo;
}

// Prefix sums over the file table's sizes, largest first. Sizes are clamped to the capacity: a file that
// large is never taken, and the clamp keeps every sum below 2^62.
class SizeIndex {
  public:
    SizeIndex(const FileTable& files, std::int32_t capacity) : prefix_(files.Rows()) {
        std::int64_t previous = capacity;
        for (int row = 1; row < files.Rows(); ++row) {
            const std::int64_t size = std::min<std::int64_t>(files.Kilobytes(row), capacity);
            if (size < 0 || size > previous)
                throw std::invalid_argument("SearchCombinations: file table not sorted largest first");
            prefix_[row] = prefix_[row - 1] + size;
            previous = size;
        }
    }

    std::int32_t LastRow() const { return static_cast<std::int32_t>(prefix_.size()) - 1; }
    std::int64_t Size(std::int32_t row) const { return prefix_[row] - prefix_[row - 1]; }
    // Sum of the sizes of rows [first, last).
    std::int64_t Sum(std::int32_t first, std::int32_t last) const {
        return prefix_[last - 1] - prefix_[first - 1];
    }

  private:
    std::vector<std::int64_t> prefix_;  // prefix_[r]: sum of data rows 1 .. r
};

// The greedy walk down from the combination's last row: takes every later file that keeps the total
// strictly below the capacity. Files are taken in runs of consecutive rows; between runs the room left
// at least halves, so a walk is a few binary searches rather than a pass over the rest of the table.
void FillCombination(const SizeIndex& sizes, std::int32_t capacity, std::int64_t& total,
                     std::vector<Run>& runs) {
    const std::int32_t end = sizes.LastRow() + 1;
    std::int64_t fits = capacity - 1 - total;  // the largest size that can still be taken
    std::int32_t next = runs.back().last;
    while (next < end) {
        const std::int32_t first =
            FirstTrue(next, end, [&](std::int32_t row) { return sizes.Size(row) <= fits; });
        if (first == end) break;
        const std::int32_t last =
            FirstTrue(first, end, [&](std::int32_t row) { return sizes.Sum(first, row + 1) > fits; });
        const std::int64_t taken = sizes.Sum(first, last);
        total += taken;
        fits -= taken;
        if (runs.back().last == first)
            runs.back().last = last;
        else
            runs.push_back({first, last});
        next = last;
    }
}

}  // namespace

void SearchCombinations(const FileTable& files, std::int32_t capacity, CombinationTable& combinations) {
    if (&combinations.Files() != &files)
        throw std::invalid_argument("SearchCombinations: the combination table reads another file table");
    combinations.SetCapacity(capacity);
    if (capacity <= 0) return;
    const SizeIndex sizes(files, capacity);
    std::vector<Run> runs;
    for (std::int32_t start = 1; start <= sizes.LastRow(); ++start) {
        if (sizes.Size(start) >= capacity) continue;
        std::int64_t total = sizes.Size(start);
        runs.assign(1, Run{start, start + 1});
        FillCombination(sizes, capacity, total, runs);
        combinations.Append(total, runs);
    }
    combinations.SortByTotalDescending();
}

}  // namespace drovalin
