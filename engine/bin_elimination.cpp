#include "bin_elimination.h"

#include <algorithm>
#include <numeric>
#include <random>

namespace drovalin {
namespace {

constexpr std::int64_t kSteps = 12'000'000;
// Bins holding more items than this only give up one item at a time; pairs would cost too much.
constexpr std::size_t kPairLimit = 40;

// Up to two positions in a list of items; -1 for none.
struct Pick {
    int first = -1;
    int second = -1;
};

class BinElimination {
  public:
    BinElimination(const std::vector<std::int64_t>& sizes, std::int64_t limit)
        : sizes_(sizes), limit_(limit) {}

    Packing Run(Packing start, std::int64_t lower) {
        Packing best = start;
        bins_ = std::move(start);
        // A fixed seed: the same packing gives the same result on every run.
        std::mt19937 random(20240611);
        while (steps_<kSteps&& static_cast<std::int64_t>(bins_.size())> lower) {
            const Packing before = bins_;
            EmptyOneBin(random);
            Exchange(random);
            PackFreeItems();
            if (bins_.size() < best.size())
                best = bins_;
            else if (bins_.size() > before.size())
                bins_ = before;
        }
        return best;
    }

  private:
    std::int64_t Fill(const std::vector<std::int32_t>& bin) const {
        std::int64_t fill = 0;
        for (const std::int32_t item : bin) fill += sizes_[static_cast<std::size_t>(item)];
        return fill;
    }

    // Frees the items of one of the three emptiest bins.
    void EmptyOneBin(std::mt19937& random) {
        std::vector<std::size_t> order(bins_.size());
        std::iota(order.begin(), order.end(), 0);
        const std::size_t few = std::min<std::size_t>(3, order.size());
        std::partial_sort(order.begin(), order.begin() + static_cast<std::ptrdiff_t>(few), order.end(),
                          [&](std::size_t a, std::size_t b) {
                              const std::int64_t fa = Fill(bins_[a]), fb = Fill(bins_[b]);
                              return fa != fb ? fa < fb : a < b;
                          });
        const std::size_t victim = order[random() % few];
        free_ = std::move(bins_[victim]);
        bins_.erase(bins_.begin() + static_cast<std::ptrdiff_t>(victim));
    }

    void Exchange(std::mt19937& random) {
        for (bool changed = true; changed && !free_.empty() && steps_ < kSteps;) {
            changed = false;
            const std::size_t offset = bins_.empty() ? 0 : random() % bins_.size();
            for (std::size_t i = 0; i < bins_.size() && !free_.empty(); ++i)
                changed |= ImproveBin(bins_[(i + offset) % bins_.size()]);
        }
    }

    // Swaps up to two of the bin's items for up to two free items, the swap that fills the bin most.
    bool ImproveBin(std::vector<std::int32_t>& bin) {
        const std::int64_t room = limit_ - Fill(bin);
        const auto size = [&](const std::vector<std::int32_t>& items, const Pick& pick) {
            std::int64_t total = 0;
            if (pick.first >= 0)
                total += sizes_[static_cast<std::size_t>(items[static_cast<std::size_t>(pick.first)])];
            if (pick.second >= 0)
                total += sizes_[static_cast<std::size_t>(items[static_cast<std::size_t>(pick.second)])];
            return total;
        };
        const std::vector<Pick> removals = Picks(bin.size(), bin.size() <= kPairLimit, true);
        const std::vector<Pick> additions = Picks(free_.size(), true, false);
        std::int64_t bestGain = 0;
        Pick bestRemoval, bestAddition;
        for (const Pick& removal : removals) {
            const std::int64_t removed = size(bin, removal);
            const std::int64_t available = room + removed;
            for (const Pick& addition : additions) {
                const std::int64_t added = size(free_, addition);
                if (added <= available && added - removed > bestGain) {
                    bestGain = added - removed;
                    bestRemoval = removal;
                    bestAddition = addition;
                }
            }
            steps_ += static_cast<std::int64_t>(additions.size());
            if (bestGain == room) break;
        }
        if (bestGain == 0) return false;
        std::vector<std::int32_t> out = Take(bin, bestRemoval);
        std::vector<std::int32_t> in = Take(free_, bestAddition);
        bin.insert(bin.end(), in.begin(), in.end());
        free_.insert(free_.end(), out.begin(), out.end());
        return true;
    }

    // Every choice of none, one or (when pairs) two of count positions; none only when allowed.
    static std::vector<Pick> Picks(std::size_t count, bool pairs, bool none) {
        std::vector<Pick> picks;
        if (none) picks.push_back({});
        for (std::size_t i = 0; i < count; ++i) {
            picks.push_back({static_cast<int>(i), -1});
            if (!pairs) continue;
            for (std::size_t j = i + 1; j < count; ++j)
                picks.push_back({static_cast<int>(i), static_cast<int>(j)});
        }
        return picks;
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
        std::vector<std::int64_t> fills;
        const std::size_t first = bins_.size();
        for (const std::int32_t item : free_) {
            const std::int64_t size = sizes_[static_cast<std::size_t>(item)];
            std::size_t bin = 0;
            while (bin < fills.size() && fills[bin] + size > limit_) ++bin;
            if (bin == fills.size()) {
                fills.push_back(0);
                bins_.emplace_back();
            }
            fills[bin] += size;
            bins_[first + bin].push_back(item);
        }
        free_.clear();
    }

    const std::vector<std::int64_t>& sizes_;
    std::int64_t limit_;
    Packing bins_;
    std::vector<std::int32_t> free_;
    std::int64_t steps_ = 0;
};

}  // namespace

Packing EliminateBins(const std::vector<std::int64_t>& sizes, std::int64_t limit, Packing start,
                      std::int64_t lower) {
    if (static_cast<std::int64_t>(start.size()) <= lower) return start;
    return BinElimination(sizes, limit).Run(std::move(start), lower);
}

}  // namespace drovalin
