#include "plan/overflow_search.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <queue>

namespace drovalin {
namespace {

std::size_t At(std::int32_t index) { return static_cast<std::size_t>(index); }

// The temperature, as a share of the limit: a rise of this much is taken about one time in three.
constexpr double kTemperature = 0.0014;

}  // namespace

OverflowSearch::OverflowSearch(const std::vector<std::int64_t>& sizes, std::int64_t limit, StepBudget& budget)
    : sizes_(sizes),
      limit_(limit),
      budget_(budget),
      temperature_(kTemperature * static_cast<double>(limit)) {}

void OverflowSearch::Mark(std::int32_t bin) {
    const bool over = load_[At(bin)] > limit_;
    const std::int32_t at = overfullAt_[At(bin)];
    if (over && at < 0) {
        overfullAt_[At(bin)] = static_cast<std::int32_t>(overfull_.size());
        overfull_.push_back(bin);
    } else if (!over && at >= 0) {
        overfull_[At(at)] = overfull_.back();
        overfullAt_[At(overfull_.back())] = at;
        overfull_.pop_back();
        overfullAt_[At(bin)] = -1;
    }
}

void OverflowSearch::Put(std::int32_t item, std::int32_t bin) {
    overflow_ -= Over(load_[At(bin)]);
    load_[At(bin)] += sizes_[At(item)];
    overflow_ += Over(load_[At(bin)]);
    bins_[At(bin)].push_back(item);
    binOf_[At(item)] = bin;
    Mark(bin);
}

void OverflowSearch::Take(std::int32_t item) {
    const std::int32_t bin = binOf_[At(item)];
    overflow_ -= Over(load_[At(bin)]);
    load_[At(bin)] -= sizes_[At(item)];
    overflow_ += Over(load_[At(bin)]);
    auto& items = bins_[At(bin)];
    *std::find(items.begin(), items.end(), item) = items.back();
    items.pop_back();
    Mark(bin);
}

bool OverflowSearch::Run(std::int64_t bins, Packing& packing) {
    if (bins < 1) return false;
    bins_.assign(static_cast<std::size_t>(bins), {});
    load_.assign(static_cast<std::size_t>(bins), 0);
    overfullAt_.assign(static_cast<std::size_t>(bins), -1);
    binOf_.assign(sizes_.size(), -1);
    // Largest first, each into the least loaded bin: the overflow starts spread thin over many bins.
    using Loaded = std::pair<std::int64_t, std::int32_t>;
    std::priority_queue<Loaded, std::vector<Loaded>, std::greater<>> least;
    for (std::int32_t bin = 0; bin < static_cast<std::int32_t>(bins); ++bin) least.emplace(0, bin);
    if (!budget_.Spend(static_cast<std::int64_t>(sizes_.size()))) return false;
    for (std::size_t item = 0; item < sizes_.size(); ++item) {
        const std::int32_t bin = least.top().second;
        least.pop();
        Put(static_cast<std::int32_t>(item), bin);
        least.emplace(load_[At(bin)], bin);
    }
    while (overflow_ > 0) {
        if (!budget_.Spend(1) || !Step()) return false;
    }
    packing = bins_;
    return true;
}

bool OverflowSearch::Step() {
    if (bins_.size() < 2) return false;
    const std::int32_t from = overfull_[random_() % overfull_.size()];
    const auto& items = bins_[At(from)];
    const std::int32_t item = items[random_() % items.size()];
    const auto to = static_cast<std::int32_t>(random_() % bins_.size());
    if (to == from) return true;
    budget_.Spend(static_cast<std::int64_t>(bins_[At(to)].size()));
    const std::int64_t size = sizes_[At(item)];
    const std::int64_t before = Over(load_[At(from)]) + Over(load_[At(to)]);
    std::int64_t best = Over(load_[At(from)] - size) + Over(load_[At(to)] + size) - before;
    std::int32_t partner = -1;
    for (const std::int32_t other : bins_[At(to)]) {
        const std::int64_t swap = sizes_[At(other)] - size;
        const std::int64_t change = Over(load_[At(from)] + swap) + Over(load_[At(to)] - swap) - before;
        if (change < best) {
            best = change;
            partner = other;
        }
    }
    if (best > 0 && std::uniform_real_distribution<double>(0, 1)(random_) >=
                        std::exp(-static_cast<double>(best) / temperature_))
        return true;
    Take(item);
    Put(item, to);
    if (partner >= 0) {
        Take(partner);
        Put(partner, from);
    }
    return true;
}

}  // namespace drovalin
