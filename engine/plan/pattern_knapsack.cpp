#include "plan/pattern_knapsack.h"

#include <algorithm>
#include <array>

namespace drovalin {
namespace {

class Knapsack {
  public:
    Knapsack(const std::vector<KnapsackKind>& kinds, std::int64_t limit, StepBudget& budget)
        : kinds_(kinds), limit_(limit), budget_(budget) {
        for (std::size_t k = 0; k < kinds.size(); ++k)
            if (kinds[k].value > 0 && kinds[k].most > 0 && kinds[k].size <= limit) order_.push_back(k);
        std::stable_sort(order_.begin(), order_.end(), [&](std::size_t a, std::size_t b) {
            return kinds[a].value * static_cast<double>(kinds[b].size) >
                   kinds[b].value * static_cast<double>(kinds[a].size);
        });
        sizeBefore_.assign(order_.size() + 1, 0);
        valueBefore_.assign(order_.size() + 1, 0);
        for (std::size_t i = 0; i < order_.size(); ++i) {
            const KnapsackKind& kind = kinds[order_[i]];
            const std::int64_t most = std::min(kind.most, limit / kind.size);
            sizeBefore_[i + 1] = sizeBefore_[i] + most * kind.size;
            valueBefore_[i + 1] = valueBefore_[i] + static_cast<double>(most) * kind.value;
        }
        counts_.assign(order_.size(), 0);
    }

    KnapsackPattern Run() {
        KnapsackPattern pattern;
        pattern.counts.assign(kinds_.size(), 0);
        best_.assign(order_.size(), 0);
        const double root = Bound(0, limit_, 0);
        Dive(0, limit_, 0);
        for (std::size_t i = 0; i < order_.size(); ++i) pattern.counts[order_[i]] = best_[i];
        pattern.value = bestValue_;
        // A tiny margin for rounding in the sums, so that the bound stays a bound.
        pattern.most = (stopped_ ? std::max(root, bestValue_) : bestValue_) * (1 + 1e-12);
        return pattern;
    }

  private:
    // The value of the linear relaxation from position at on, with room left and value so far: whole kinds
    // in order while they fit, then a fraction of the next.
    double Bound(std::size_t at, std::int64_t room, double value) const {
        const std::int64_t reach = sizeBefore_[at] + room;
        const auto end =
            static_cast<std::size_t>(std::upper_bound(sizeBefore_.begin() + static_cast<std::ptrdiff_t>(at),
                                                      sizeBefore_.end(), reach) -
                                     sizeBefore_.begin() - 1);
        double bound = value + valueBefore_[end] - valueBefore_[at];
        if (end < order_.size()) {
            const KnapsackKind& next = kinds_[order_[end]];
            bound +=
                static_cast<double>(reach - sizeBefore_[end]) * next.value / static_cast<double>(next.size);
        }
        return bound;
    }

    void Dive(std::size_t at, std::int64_t room, double value) {
        if (stopped_) return;
        if (!budget_.Spend(1)) {
            stopped_ = true;
            return;
        }
        if (value > bestValue_) {
            bestValue_ = value;
            best_ = counts_;
        }
        if (at == order_.size() || Bound(at, room, value) <= bestValue_ * (1 + 1e-12)) return;
        const KnapsackKind& kind = kinds_[order_[at]];
        for (std::int64_t count = std::min(kind.most, room / kind.size); count >= 0 && !stopped_; --count) {
            counts_[at] = count;
            Dive(at + 1, room - count * kind.size, value + static_cast<double>(count) * kind.value);
        }
        counts_[at] = 0;
    }

    const std::vector<KnapsackKind>& kinds_;
    std::int64_t limit_;
    StepBudget& budget_;
    std::vector<std::size_t> order_;  // kinds worth anything, best value per size first
    std::vector<std::int64_t> sizeBefore_;
    std::vector<double> valueBefore_;
    std::vector<std::int64_t> counts_;
    std::vector<std::int64_t> best_;
    double bestValue_ = 0;
    bool stopped_ = false;
};

// Where every kind worth anything is over a quarter of the limit, no pattern holds more than three items:
// each first and second item with the most valuable third that still fits, in kinds squared steps, finds
// the best pattern where the branch and bound above may need millions (kinds of nearly equal value per
// size, as near a third of the limit, leave its bound no sharper than the relaxation).
KnapsackPattern BestOfThree(const std::vector<KnapsackKind>& kinds, std::int64_t limit,
                            const std::vector<std::size_t>& worth) {
    const std::size_t n = worth.size();
    // From each position on, the position of the most valuable kind.
    std::vector<std::size_t> bestFrom(n + 1, n);
    for (std::size_t at = n; at-- > 0;)
        bestFrom[at] = bestFrom[at + 1] < n && kinds[worth[bestFrom[at + 1]]].value >= kinds[worth[at]].value
                           ? bestFrom[at + 1]
                           : at;
    const auto value = [&](std::size_t at) { return at < n ? kinds[worth[at]].value : 0.0; };
    KnapsackPattern pattern;
    pattern.counts.assign(kinds.size(), 0);
    std::array<std::size_t, 3> best{n, n, n};
    for (std::size_t first = 0; first < n; ++first) {
        if (value(first) > pattern.value) {
            pattern.value = value(first);
            best = {first, n, n};
        }
        for (std::size_t second = first; second < n; ++second) {
            const std::int64_t room = limit - kinds[worth[first]].size - kinds[worth[second]].size;
            if (room < 0 || (second == first && kinds[worth[first]].most < 2)) continue;
            // Positions from the second's on, sizes largest first: those that fit start here.
            std::size_t fits = static_cast<std::size_t>(
                std::partition_point(worth.begin() + static_cast<std::ptrdiff_t>(second), worth.end(),
                                     [&](std::size_t kind) { return kinds[kind].size > room; }) -
                worth.begin());
            std::size_t third = bestFrom[std::max(fits, second + 1)];
            const std::int64_t taken = second == first ? 3 : 2;
            if (fits <= second && kinds[worth[second]].most >= taken && value(second) >= value(third))
                third = second;
            const double total = value(first) + value(second) + value(third);
            if (total > pattern.value) {
                pattern.value = total;
                best = {first, second, third};
            }
        }
    }
    for (const std::size_t at : best)
        if (at < n) ++pattern.counts[worth[at]];
    pattern.most = pattern.value * (1 + 1e-12);
    return pattern;
}

}  // namespace

KnapsackPattern BestPattern(const std::vector<KnapsackKind>& kinds, std::int64_t limit, StepBudget& budget) {
    std::vector<std::size_t> worth;
    for (std::size_t k = 0; k < kinds.size(); ++k)
        if (kinds[k].value > 0 && kinds[k].most > 0 && kinds[k].size <= limit) worth.push_back(k);
    const bool overQuarter =
        std::all_of(worth.begin(), worth.end(), [&](std::size_t k) { return 4 * kinds[k].size > limit; });
    if (!overQuarter) return Knapsack(kinds, limit, budget).Run();
    std::stable_sort(worth.begin(), worth.end(),
                     [&](std::size_t a, std::size_t b) { return kinds[a].size > kinds[b].size; });
    budget.Spend(static_cast<std::int64_t>(worth.size() * worth.size() / 2 + 1));
    return BestOfThree(kinds, limit, worth);
}

}  // namespace drovalin
