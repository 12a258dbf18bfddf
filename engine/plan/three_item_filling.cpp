#include "plan/three_item_filling.h"

#include <iterator>

#include "plan/balanced_filling.h"

namespace drovalin {
namespace {

// The counts of bins of three tried, in thousandths of the most the sizes allow: the balanced filling
// leaves a few of them short, and with fewer it may fill the rest more tightly.
constexpr int kShares[] = {1000, 995, 990, 980};
static_assert(std::size(kShares) == ThreeItemFilling::kFillings);

}  // namespace

bool ThreeItemFilling::Applies(const std::vector<std::int64_t>& sizes, std::int64_t limit) {
    return !sizes.empty() && 4 * sizes.back() > limit && sizes.front() <= limit;
}

ThreeItemFilling::ThreeItemFilling(const std::vector<std::int64_t>& sizes, std::int64_t limit,
                                   StepBudget& budget)
    : sizes_(sizes), limit_(limit), budget_(budget) {}

Packing ThreeItemFilling::Run() {
    // The most bins the smallest items could fill three to a bin, by their total.
    std::size_t most = 0;
    std::int64_t total = 0;
    for (std::size_t bins = 1; 3 * bins <= sizes_.size(); ++bins) {
        const std::size_t end = sizes_.size() - 3 * (bins - 1);
        total += sizes_[end - 1] + sizes_[end - 2] + sizes_[end - 3];
        if (total <= static_cast<std::int64_t>(bins) * limit_) most = bins;
    }
    Packing best;
    for (const int share : kShares) {
        Packing packed = WithThrees(most * static_cast<std::size_t>(share) / 1000);
        if (packed.empty()) return {};
        if (best.empty() || packed.size() < best.size()) best = std::move(packed);
    }
    return best;
}

// The smallest 3 * bins items by the balanced filling, the others by first-fit decreasing.
Packing ThreeItemFilling::WithThrees(std::size_t bins) {
    const auto split = static_cast<std::ptrdiff_t>(sizes_.size() - 3 * bins);
    const std::vector<std::int64_t> large(sizes_.begin(), sizes_.begin() + split);
    const std::vector<std::int64_t> small(sizes_.begin() + split, sizes_.end());
    Packing packed = BalancedFilling(small, limit_, false, budget_).Run();
    if (packed.empty() && !small.empty()) return {};
    for (auto& bin : packed)
        for (auto& item : bin) item += static_cast<std::int32_t>(split);
    for (auto& bin : FirstFitDecreasing(large, limit_)) packed.push_back(std::move(bin));
    return packed;
}

}  // namespace drovalin
