#include "plan/pattern_knapsack.h"

#include <algorithm>

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

}  // namespace

KnapsackPattern BestPattern(const std::vector<KnapsackKind>& kinds, std::int64_t limit, StepBudget& budget) {
    return Knapsack(kinds, limit, budget).Run();
}

}  // namespace drovalin
