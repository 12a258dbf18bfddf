#include "plan/pattern_knapsack.h"

#include <algorithm>
#include <utility>

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

// Where every kind worth anything is over a fifth of the limit, no pattern holds more than four items:
// every set of up to three with the most valuable last item that still fits, in about kinds cubed over six
// steps, finds the best pattern where the branch and bound above may need millions (kinds of nearly equal
// value per size, as near a third of the limit, leave its bound no sharper than the relaxation).
class FewItemKnapsack {
  public:
    // worth: the kinds worth anything, largest first.
    FewItemKnapsack(const std::vector<KnapsackKind>& kinds, std::int64_t limit,
                    std::vector<std::size_t> worth, StepBudget& budget)
        : kinds_(kinds), limit_(limit), worth_(std::move(worth)), budget_(budget), used_(worth_.size(), 0) {
        const std::size_t n = worth_.size();
        bestFrom_.assign(n + 1, n);
        for (std::size_t at = n; at-- > 0;)
            bestFrom_[at] =
                bestFrom_[at + 1] < n && Value(bestFrom_[at + 1]) >= Value(at) ? bestFrom_[at + 1] : at;
    }

    KnapsackPattern Run() {
        Extend(0, limit_, kMostItems, 0);
        KnapsackPattern pattern;
        pattern.counts.assign(kinds_.size(), 0);
        for (const std::size_t at : best_) ++pattern.counts[worth_[at]];
        pattern.value = bestValue_;
        pattern.most = bestValue_ * (1 + 1e-12);
        return pattern;
    }

  private:
    static constexpr int kMostItems = 4;

    double Value(std::size_t at) const { return at < worth_.size() ? kinds_[worth_[at]].value : 0.0; }
    const KnapsackKind& Kind(std::size_t at) const { return kinds_[worth_[at]]; }

    // Adds up to left more items to the chosen ones, from position from on (from itself again while its
    // kind has items to spare).
    void Extend(std::size_t from, std::int64_t room, int left, double value) {
        budget_.Spend(1);
        if (value > bestValue_) {
            bestValue_ = value;
            best_ = chosen_;
        }
        if (left == 0 || from == worth_.size()) return;
        const auto fits = static_cast<std::size_t>(
            std::partition_point(worth_.begin() + static_cast<std::ptrdiff_t>(from), worth_.end(),
                                 [&](std::size_t kind) { return kinds_[kind].size > room; }) -
            worth_.begin());
        const bool again = fits <= from && used_[from] < Kind(from).most;
        if (left == 1) {
            std::size_t last = bestFrom_[std::max(fits, from + 1)];
            if (again && Value(from) >= Value(last)) last = from;
            if (last < worth_.size() && value + Value(last) > bestValue_) {
                bestValue_ = value + Value(last);
                best_ = chosen_;
                best_.push_back(last);
            }
            return;
        }
        for (std::size_t at = again ? from : std::max(fits, from + 1); at < worth_.size(); ++at) {
            if (value + left * Value(bestFrom_[at]) <= bestValue_) break;
            ++used_[at];
            chosen_.push_back(at);
            Extend(at, room - Kind(at).size, left - 1, value + Value(at));
            chosen_.pop_back();
            --used_[at];
        }
    }

    const std::vector<KnapsackKind>& kinds_;
    std::int64_t limit_;
    std::vector<std::size_t> worth_;
    StepBudget& budget_;
    std::vector<std::size_t> bestFrom_;  // from each position on, the position of the most valuable kind
    std::vector<std::int64_t> used_;     // per position, in the chosen items
    std::vector<std::size_t> chosen_;
    std::vector<std::size_t> best_;
    double bestValue_ = 0;
};

}  // namespace

KnapsackPattern BestPattern(const std::vector<KnapsackKind>& kinds, std::int64_t limit, StepBudget& budget) {
    std::vector<std::size_t> worth;
    for (std::size_t k = 0; k < kinds.size(); ++k)
        if (kinds[k].value > 0 && kinds[k].most > 0 && kinds[k].size <= limit) worth.push_back(k);
    const bool overFifth =
        std::all_of(worth.begin(), worth.end(), [&](std::size_t k) { return 5 * kinds[k].size > limit; });
    if (!overFifth) return Knapsack(kinds, limit, budget).Run();
    std::stable_sort(worth.begin(), worth.end(),
                     [&](std::size_t a, std::size_t b) { return kinds[a].size > kinds[b].size; });
    return FewItemKnapsack(kinds, limit, std::move(worth), budget).Run();
}

}  // namespace drovalin
