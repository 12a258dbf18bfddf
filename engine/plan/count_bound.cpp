#include "plan/count_bound.h"

#include <algorithm>

namespace drovalin {
namespace {

// The classes of items counted: those over limit / parts, at most full to a bin. Four items over a quarter
// overflow any bin, so that there the full bins are none.
constexpr std::int64_t kClasses[][2] = {{4, 4}, {5, 4}, {6, 5}, {7, 6}};

}  // namespace

CountBound::CountBound(const std::vector<std::int64_t>& sizes, std::int64_t limit)
    : ascending_(sizes), limit_(limit) {
    if (limit <= 0) return;
    std::sort(ascending_.begin(), ascending_.end());
    sums_.assign(ascending_.size() + 1, 0);
    for (std::size_t i = 0; i < ascending_.size(); ++i) sums_[i + 1] = sums_[i] + ascending_[i];
    for (const auto& [parts, full] : kClasses) {
        const CountShape shape = BestOf(parts, full);
        if (shape.bins > best_.bins) best_ = shape;
    }
}

std::size_t CountBound::First(std::int64_t parts) const {
    return static_cast<std::size_t>(std::upper_bound(ascending_.begin(), ascending_.end(), limit_ / parts) -
                                    ascending_.begin());
}

std::int64_t CountBound::MostFewers(std::int64_t parts, std::int64_t full, std::int64_t fulls) const {
    if (sums_.empty()) return -1;
    const std::size_t first = First(parts);
    const auto count = static_cast<std::int64_t>(ascending_.size() - first);
    const auto prefix = [&](std::int64_t items) {
        return sums_[first + static_cast<std::size_t>(items)] - sums_[first];
    };
    const std::int64_t from = full * fulls;
    if (from > count || prefix(from) > fulls * limit_) return -1;
    const std::int64_t fewer = full - 1;
    const std::int64_t most = (count - from) / fewer;
    // The room the bins leave grows while one more bin of fewer items fits, then shrinks: the first number of
    // such bins where they do not, then the last where the room is still there.
    const auto bin = [&](std::int64_t bins) {
        return prefix(from + fewer * (bins + 1)) - prefix(from + fewer * bins);
    };
    const auto room = [&](std::int64_t bins) {
        return (fulls + bins) * limit_ - prefix(from + fewer * bins);
    };
    std::int64_t low = 0, high = most;
    while (low < high) {
        const std::int64_t middle = low + (high - low) / 2;
        if (bin(middle) > limit_)
            high = middle;
        else
            low = middle + 1;
    }
    high = most;
    while (low < high) {
        const std::int64_t middle = low + (high - low + 1) / 2;
        if (room(middle) >= 0)
            low = middle;
        else
            high = middle - 1;
    }
    return low;
}

CountShape CountBound::BestOf(std::int64_t parts, std::int64_t full) const {
    const auto count = static_cast<std::int64_t>(ascending_.size() - First(parts));
    CountShape best{parts, full, 0, 0, count};
    // The smallest items only grow: once full bins overflow, they do for more bins too.
    for (std::int64_t fulls = 0;; ++fulls) {
        const std::int64_t fewers = MostFewers(parts, full, fulls);
        if (fewers < 0) break;
        const std::int64_t rest = count - full * fulls - (full - 1) * fewers;
        const std::int64_t bins = fulls + fewers + (rest + full - 3) / (full - 2);
        if (bins < best.bins) best = {parts, full, fulls, fewers, bins};
    }
    return best;
}

std::int64_t BinLowerBoundCount(const std::vector<std::int64_t>& sizes, std::int64_t limit) {
    return CountBound(sizes, limit).Best().bins;
}

}  // namespace drovalin
