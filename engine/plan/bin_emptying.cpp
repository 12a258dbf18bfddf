#include "plan/bin_emptying.h"

#include <algorithm>
#include <numeric>
#include <random>

namespace drovalin {
namespace {

// Bins holding more items than this only give up one item at a time; pairs would cost too much.
constexpr std::size_t kPairLimit = 40;

// Up to two positions in a list of items; -1 for none.
struct Pick {
    int first = -1;
    int second = -1;
};

class BinElimination {
  public:
    BinElimination(const std::vector<std::int64_t>& sizes, std::int64_t limit, StepBudget& budget)
        : sizes_(sizes), limit_(limit), budget_(budget) {}

    Packing Run(Packing start, std::int64_t lower) {
        Packing best = start;
        bins_ = std::move(start);
        fills_.clear();
        for (const auto& bin : bins_) fills_.push_back(Fill(bin));
        // A fixed seed: the same packing gives the same result on every run.
        std::mt19937 random(20240611);
        while (More() && static_cast<std::int64_t>(bins_.size()) > lower) {
            // Copying the packing costs a step a bin.
            steps_ += static_cast<std::int64_t>(bins_.size());
            const Packing before = bins_;
            const std::vector<std::int64_t> fillsBefore = fills_;
            EmptyOneBin(random);
            Exchange(random);
            PackFreeItems();
            if (bins_.size() < best.size()) {
                best = bins_;
            } else if (bins_.size() > before.size()) {
                bins_ = before;
                fills_ = fillsBefore;
            }
        }
        return best;
    }

  private:
    // Passes the steps counted since the last call on to the budget; false once it is spent.
    bool More() {
        budget_.Spend(steps_);
        steps_ = 0;
        return budget_.Left();
    }

    std::int64_t Size(std::int32_t item) const { return sizes_[static_cast<std::size_t>(item)]; }

    std::int64_t Fill(const std::vector<std::int32_t>& bin) const {
        std::int64_t fill = 0;
        for (const std::int32_t item : bin) fill += Size(item);
        return fill;
    }

    // Frees the items of one of the three emptiest bins.
    void EmptyOneBin(std::mt19937& random) {
        std::vector<std::size_t> order(bins_.size());
        std::iota(order.begin(), order.end(), 0);
        const std::size_t few = std::min<std::size_t>(3, order.size());
        std::partial_sort(order.begin(), order.begin() + static_cast<std::ptrdiff_t>(few), order.end(),
                          [&](std::size_t a, std::size_t b) {
                              return fills_[a] != fills_[b] ? fills_[a] < fills_[b] : a < b;
                          });
        steps_ += static_cast<std::int64_t>(bins_.size());
        const std::size_t victim = order[random() % few];
        free_ = std::move(bins_[victim]);
        bins_.erase(bins_.begin() + static_cast<std::ptrdiff_t>(victim));
        fills_.erase(fills_.begin() + static_cast<std::ptrdiff_t>(victim));
    }

    void Exchange(std::mt19937& random) {
        for (bool changed = true; changed && !free_.empty() && More();) {
            changed = false;
            const std::size_t offset = bins_.empty() ? 0 : random() % bins_.size();
            for (std::size_t i = 0; i < bins_.size() && !free_.empty(); ++i)
                changed |= ImproveBin((i + offset) % bins_.size());
        }
    }

    // Swaps up to two of the bin's items for up to two free items, the swap that fills the bin most.
    bool ImproveBin(std::size_t index) {
        std::vector<std::int32_t>& bin = bins_[index];
        const std::int64_t room = limit_ - fills_[index];
        const int held = static_cast<int>(bin.size());
        const int freed = static_cast<int>(free_.size());
        const bool pairs = bin.size() <= kPairLimit;
        std::int64_t bestGain = 0;
        Pick bestRemoval, bestAddition;
        // Position -1 stands for no item; the second of a pair always comes after the first.
        for (int r1 = -1; r1 < held && bestGain < room; ++r1) {
            for (int r2 = -1; r2 < (pairs && r1 >= 0 ? held : 0); r2 = r2 < 0 ? r1 + 1 : r2 + 1) {
                if (r2 >= held) break;
                const std::int64_t removed = (r1 >= 0 ? Size(bin[r1]) : 0) + (r2 >= 0 ? Size(bin[r2]) : 0);
                const std::int64_t available = room + removed;
                for (int a1 = 0; a1 < freed; ++a1) {
                    const std::int64_t first = Size(free_[a1]);
                    ++steps_;
                    if (first > available) continue;
                    for (int a2 = -1; a2 < freed; a2 = a2 < 0 ? a1 + 1 : a2 + 1) {
                        if (a2 >= freed) break;
                        const std::int64_t added = first + (a2 >= 0 ? Size(free_[a2]) : 0);
                        if (added <= available && added - removed > bestGain) {
                            bestGain = added - removed;
                            bestRemoval = {r1, r2};
                            bestAddition = {a1, a2};
                        }
                    }
                    steps_ += freed - a1 - 1;
                }
            }
        }
        if (bestGain == 0) return false;
        std::vector<std::int32_t> out = Take(bin, bestRemoval);
        std::vector<std::int32_t> in = Take(free_, bestAddition);
        bin.insert(bin.end(), in.begin(), in.end());
        free_.insert(free_.end(), out.begin(), out.end());
        fills_[index] += bestGain;
        return true;
    }

    static std::vector<std::int32_t> Take(std::vector<std::int32_t>& items, const Pick& pick) {
        std::vector<std::int32_t> taken;
        // The later position first, so the earlier one still points at its item.
        for (const int position : {pick.second, pick.first}) {
            if (position < 0) continue;
            taken.push_back(items[static_cast<std::size_t>(position)]);
            items.erase(items.begin() + position);
        }
        return taken;
    }

    // What is still free goes into new bins, first fit, largest first.
    void PackFreeItems() {
        std::sort(free_.begin(), free_.end());
        const std::size_t first = bins_.size();
        for (const std::int32_t item : free_) {
            std::size_t bin = first;
            while (bin < bins_.size() && fills_[bin] + Size(item) > limit_) ++bin;
            if (bin == bins_.size()) {
                bins_.emplace_back();
                fills_.push_back(0);
            }
            fills_[bin] += Size(item);
            bins_[bin].push_back(item);
        }
        free_.clear();
    }

    const std::vector<std::int64_t>& sizes_;
    std::int64_t limit_;
    Packing bins_;
    std::vector<std::int64_t> fills_;
    std::vector<std::int32_t> free_;
    StepBudget& budget_;
    std::int64_t steps_ = 0;
};

}  // namespace

Packing EliminateBins(const std::vector<std::int64_t>& sizes, std::int64_t limit, Packing start,
                      std::int64_t lower, StepBudget& budget) {
    if (static_cast<std::int64_t>(start.size()) <= lower) return start;
    return BinElimination(sizes, limit, budget).Run(std::move(start), lower);
}

}  // namespace drovalin
