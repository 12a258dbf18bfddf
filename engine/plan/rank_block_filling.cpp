#include "plan/rank_block_filling.h"

#include <algorithm>
#include <array>
#include <numeric>

namespace drovalin {
namespace {

// Rounds without fewer overflowing bins, in blocks put back, before the filling gives up.
constexpr std::int64_t kStallBlocks = 90;
// Rounds at most, in blocks put back.
constexpr std::int64_t kMostBlocks = 300;

// Indices in order of key, ties by index: a radix sort, as each round sorts all the bins anew.
std::vector<std::size_t> OrderByKey(const std::vector<std::uint64_t>& keys) {
    constexpr int kBits = 11;
    constexpr std::uint64_t kMask = (std::uint64_t{1} << kBits) - 1;
    std::vector<std::size_t> order(keys.size());
    std::vector<std::size_t> next(keys.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    const std::uint64_t most = keys.empty() ? 0 : *std::max_element(keys.begin(), keys.end());
    for (int shift = 0; shift < 64 && (most >> shift) != 0; shift += kBits) {
        std::array<std::size_t, kMask + 2> starts{};
        for (const std::uint64_t key : keys) ++starts[((key >> shift) & kMask) + 1];
        std::partial_sum(starts.begin(), starts.end(), starts.begin());
        for (const std::size_t index : order) next[starts[(keys[index] >> shift) & kMask]++] = index;
        order.swap(next);
    }
    return order;
}

}  // namespace

RankBlockFilling::RankBlockFilling(const std::vector<std::int64_t>& sizes, std::int64_t limit,
                                   std::size_t perBin)
    : sizes_(sizes), limit_(limit), perBin_(perBin) {
    if (perBin < 2 || sizes.size() < perBin || sizes.size() % perBin != 0) return;
    bins_ = sizes.size() / perBin;
    ranks_.assign(sizes.size(), 0);
    sums_.assign(bins_, 0);
    for (std::size_t bin = 0; bin < bins_; ++bin) {
        ranks_[bin] = bin;
        ranks_[bins_ + bin] = bins_ + (bin + bins_ / 2) % bins_;
        sums_[bin] = Size(ranks_[bin]) + Size(ranks_[bins_ + bin]);
    }
    for (std::size_t block = 2; block < perBin; ++block) Rematch(block, false);
}

void RankBlockFilling::Rematch(std::size_t block, bool placed) {
    const auto first = ranks_.begin() + static_cast<std::ptrdiff_t>(block * bins_);
    std::vector<std::int64_t> others(sums_);
    if (placed)
        for (std::size_t bin = 0; bin < bins_; ++bin)
            others[bin] -= Size(first[static_cast<std::ptrdiff_t>(bin)]);
    const std::int64_t largest = *std::max_element(others.begin(), others.end());
    std::vector<std::uint64_t> keys(bins_);
    for (std::size_t bin = 0; bin < bins_; ++bin)
        keys[bin] = static_cast<std::uint64_t>(largest - others[bin]);
    const std::vector<std::size_t> order = OrderByKey(keys);
    for (std::size_t i = 0; i < bins_; ++i) {
        const std::size_t bin = order[i];
        first[static_cast<std::ptrdiff_t>(bin)] = block * bins_ + i;
        sums_[bin] = others[bin] + Size(block * bins_ + i);
    }
}

std::int64_t RankBlockFilling::Overflowing() const {
    return std::count_if(sums_.begin(), sums_.end(), [&](std::int64_t sum) { return sum > limit_; });
}

Packing RankBlockFilling::Run(StepBudget& budget) {
    // The blocks laid out first count as one round each.
    const auto roundSteps = static_cast<std::int64_t>(bins_);
    if (bins_ == 0 || !budget.Spend(static_cast<std::int64_t>(perBin_) * roundSteps)) return {};
    std::int64_t fewest = Overflowing();
    for (std::int64_t round = 0, stalled = 0; fewest > 0 && round < kMostBlocks && stalled < kStallBlocks;
         ++round) {
        if (!budget.Spend(roundSteps)) return {};
        Rematch(static_cast<std::size_t>(round) % perBin_, true);
        const std::int64_t over = Overflowing();
        stalled = over < fewest ? 0 : stalled + 1;
        fewest = std::min(fewest, over);
    }
    if (fewest > 0) return {};
    Packing bins(bins_);
    for (std::size_t i = 0; i < ranks_.size(); ++i)
        bins[i % bins_].push_back(static_cast<std::int32_t>(sizes_.size() - 1 - ranks_[i]));
    for (auto& bin : bins) std::sort(bin.begin(), bin.end());
    return bins;
}

}  // namespace drovalin
