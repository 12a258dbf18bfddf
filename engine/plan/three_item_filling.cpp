#include "plan/three_item_filling.h"

#include <algorithm>
#include <map>

#include "plan/balanced_filling.h"

namespace drovalin {
namespace {

// Fewer bins of three are tried until this many tries in a row save nothing.
constexpr int kPatience = 3;

// At most one item in this many may be a quarter of the limit or less: half, as a file of subtitles beside
// each video.
constexpr std::size_t kSmallShare = 2;

// How many of the items, largest first, are over limit / parts.
std::size_t Over(const std::vector<std::int64_t>& sizes, std::int64_t limit, std::int64_t parts) {
    return static_cast<std::size_t>(
        std::partition_point(sizes.begin(), sizes.end(),
                             [&](std::int64_t size) { return parts * size > limit; }) -
        sizes.begin());
}

}  // namespace

bool ThreeItemFilling::Applies(const std::vector<std::int64_t>& sizes, std::int64_t limit) {
    const std::size_t large = Over(sizes, limit, 4);
    return large > 0 && sizes.front() <= limit && kSmallShare * (sizes.size() - large) <= sizes.size();
}

ThreeItemFilling::ThreeItemFilling(const std::vector<std::int64_t>& sizes, std::int64_t limit,
                                   StepBudget& budget)
    : sizes_(sizes), large_(Over(sizes, limit, 5)), limit_(limit), budget_(budget) {}

Packing ThreeItemFilling::Run() {
    // The most bins the smallest items could fill three to a bin, by their total.
    std::size_t most = 0;
    std::int64_t total = 0;
    for (std::size_t bins = 1; 3 * bins <= large_; ++bins) {
        const std::size_t end = large_ - 3 * (bins - 1);
        total += sizes_[end - 1] + sizes_[end - 2] + sizes_[end - 3];
        if (total <= static_cast<std::int64_t>(bins) * limit_) most = bins;
    }
    const std::size_t step = std::max<std::size_t>(1, most / 1000);
    Packing best;
    int idle = 0;
    for (std::int64_t tries = 0; tries < kFillings && idle < kPatience; ++tries) {
        const auto fewer = static_cast<std::size_t>(tries) * step;
        if (fewer > most) break;
        Packing packed = WithThrees(most - fewer);
        if (packed.empty()) return {};
        if (best.empty() || packed.size() < best.size()) {
            best = std::move(packed);
            idle = 0;
        } else {
            ++idle;
        }
    }
    return best;
}

// Of the items over a fifth, the smallest 3 * bins by the balanced filling, the others by first-fit
// decreasing; then the smaller items.
Packing ThreeItemFilling::WithThrees(std::size_t bins) {
    const auto split = static_cast<std::ptrdiff_t>(large_ - 3 * bins);
    const auto end = static_cast<std::ptrdiff_t>(large_);
    const std::vector<std::int64_t> larger(sizes_.begin(), sizes_.begin() + split);
    const std::vector<std::int64_t> smaller(sizes_.begin() + split, sizes_.begin() + end);
    Packing packed = BalancedFilling(smaller, limit_, false, budget_).Run();
    if (packed.empty() && !smaller.empty()) return {};
    for (auto& bin : packed)
        for (auto& item : bin) item += static_cast<std::int32_t>(split);
    for (auto& bin : FirstFitDecreasing(larger, limit_)) packed.push_back(std::move(bin));
    AddSmall(packed);
    return packed;
}

void ThreeItemFilling::AddSmall(Packing& bins) const {
    // Bins by the room they have left; an item goes to the one with the least room that still takes it.
    std::multimap<std::int64_t, std::size_t> rooms;
    for (std::size_t bin = 0; bin < bins.size(); ++bin) {
        std::int64_t room = limit_;
        for (const std::int32_t item : bins[bin]) room -= sizes_[static_cast<std::size_t>(item)];
        rooms.emplace(room, bin);
    }
    for (std::size_t item = large_; item < sizes_.size(); ++item) {
        const auto fit = rooms.lower_bound(sizes_[item]);
        std::size_t bin = bins.size();
        std::int64_t room = limit_;
        if (fit != rooms.end()) {
            bin = fit->second;
            room = fit->first;
            rooms.erase(fit);
        } else {
            bins.emplace_back();
        }
        bins[bin].push_back(static_cast<std::int32_t>(item));
        rooms.emplace(room - sizes_[item], bin);
    }
}

}  // namespace drovalin
