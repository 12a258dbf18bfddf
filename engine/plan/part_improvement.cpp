#include "plan/part_improvement.h"

#include <algorithm>
#include <random>

#include "plan/search_toward_bound.h"

namespace drovalin {
namespace {

// The steps for packing the emptiest bins' items again.
constexpr std::int64_t kPartSteps = 12'000'000;
// After the balanced filling: a bin with more room than a kRoomyShare-th of the limit is roomy; a group holds
// kRoomyBins of them.
constexpr std::int64_t kRoomyShare = 1000;
constexpr std::size_t kRoomyBins = 100;

// Orders the bins so that each group of the first holds kRoomyBins of those with room left and full ones
// besides, and returns how many bins those groups hold; the other full bins follow. After the balanced
// filling nearly all the room is in a few percent of the bins, which groups of a random sample would hold
// only a few of each, with little to gain.
std::size_t GatherRoomyBins(const std::vector<std::int64_t>& sizes, std::int64_t limit, Packing& bins) {
    Packing roomy, full;
    for (auto& bin : bins) {
        std::int64_t load = 0;
        for (const std::int32_t item : bin) load += sizes[static_cast<std::size_t>(item)];
        (limit - load > limit / kRoomyShare ? roomy : full).push_back(std::move(bin));
    }
    bins.clear();
    std::size_t nextFull = 0;
    for (std::size_t first = 0; first < roomy.size(); first += kRoomyBins) {
        for (std::size_t bin = first; bin < std::min(roomy.size(), first + kRoomyBins); ++bin)
            bins.push_back(std::move(roomy[bin]));
        for (std::size_t added = kRoomyBins; added < kGroupBins && nextFull < full.size(); ++added)
            bins.push_back(std::move(full[nextFull++]));
    }
    const std::size_t grouped = bins.size();
    for (; nextFull < full.size(); ++nextFull) bins.push_back(std::move(full[nextFull]));
    return grouped;
}

}  // namespace

Packing ImproveEmptiest(const std::vector<std::int64_t>& sizes, std::int64_t limit, Packing best,
                        StepBudget& whole) {
    StepBudget budget(whole, kPartSteps);
    std::vector<std::int64_t> fills;
    for (const auto& bin : best) {
        std::int64_t fill = 0;
        for (const std::int32_t item : bin) fill += sizes[static_cast<std::size_t>(item)];
        fills.push_back(fill);
    }
    std::vector<std::size_t> order(best.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return fills[a] < fills[b]; });
    std::vector<std::int32_t> items;
    std::size_t taken = 0;
    while (taken < order.size() && items.size() + best[order[taken]].size() <= kSearchItems) {
        items.insert(items.end(), best[order[taken]].begin(), best[order[taken]].end());
        ++taken;
    }
    if (taken < 2) return best;
    std::sort(items.begin(), items.end());  // largest first, as the indexes are
    const std::vector<std::int64_t> part = SizesOf(sizes, items);
    const Packing start = FirstFitDecreasing(part, limit);
    std::int64_t lower = BinLowerBoundL2(part, limit);
    const Packing better = Search(part, limit, Fill(part, limit, start, budget), lower, budget);
    if (better.size() >= taken) return best;
    Packing result;
    for (std::size_t i = taken; i < order.size(); ++i) result.push_back(std::move(best[order[i]]));
    AppendBins(result, better, items);
    return result;
}

Packing ImproveInGroups(const std::vector<std::int64_t>& sizes, std::int64_t limit, Packing best,
                        bool roomyFirst, std::int64_t allSteps, std::int64_t groupSteps, StepBudget& budget) {
    const std::int64_t before = budget.Used();
    std::mt19937_64 random(1);
    std::shuffle(best.begin(), best.end(), random);
    std::size_t grouped = best.size();
    if (roomyFirst) {
        grouped = GatherRoomyBins(sizes, limit, best);
        groupSteps =
            std::min(kRoomyGroupSteps, allSteps / static_cast<std::int64_t>(grouped / kGroupBins + 1));
    }
    std::vector<std::int32_t> place(sizes.size());
    Packing result;
    for (std::size_t first = 0; first < grouped; first += kGroupBins) {
        const std::size_t end = std::min(grouped, first + kGroupBins);
        std::vector<std::int32_t> items;
        for (std::size_t bin = first; bin < end; ++bin)
            items.insert(items.end(), best[bin].begin(), best[bin].end());
        std::sort(items.begin(), items.end());  // largest first, as the indexes are
        const std::vector<std::int64_t> part = SizesOf(sizes, items);
        for (std::size_t k = 0; k < items.size(); ++k)
            place[static_cast<std::size_t>(items[k])] = static_cast<std::int32_t>(k);
        Packing packed;
        for (std::size_t bin = first; bin < end; ++bin) {
            packed.emplace_back();
            for (const std::int32_t item : best[bin])
                packed.back().push_back(place[static_cast<std::size_t>(item)]);
        }
        StepBudget steps(budget, groupSteps);
        AppendBins(result, FewerByPool(part, limit, std::move(packed), BinLowerBound(part, limit), steps),
                   items);
    }
    for (std::size_t bin = grouped; bin < best.size(); ++bin) result.push_back(std::move(best[bin]));
    SpendRest(budget, before, allSteps);
    return result;
}

}  // namespace drovalin
