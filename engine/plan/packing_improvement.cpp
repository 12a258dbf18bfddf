#include "plan/packing_improvement.h"

#include <algorithm>
#include <random>

#include "plan/balanced_filling.h"
#include "plan/bin_emptying.h"
#include "plan/completion_search.h"
#include "plan/exact_cover_search.h"
#include "plan/exact_fill_repair.h"
#include "plan/exact_fill_search.h"
#include "plan/exact_fill_walk.h"
#include "plan/overflow_search.h"
#include "plan/pool_fill_search.h"
#include "plan/relaxation_bound.h"
#include "plan/slack_filling.h"
#include "plan/step_budget.h"
#include "plan/three_item_filling.h"

namespace drovalin {
namespace {

// The whole plan's steps, and the most each method may take of them.
constexpr std::int64_t kPlanSteps = 36'000'000;
constexpr std::int64_t kSlackSteps = 4'000'000;
constexpr std::int64_t kBoundSteps = 6'000'000;
// Where every item is over a fifth of the limit each knapsack of the relaxation is exact, and it ends within
// about this many steps (about a third of a second) where it would otherwise prove little.
constexpr std::int64_t kFewItemBoundSteps = 40'000'000;
constexpr std::int64_t kCoverSteps = 60'000'000;
constexpr std::int64_t kWalkSteps = 16'000'000;
// The walk's count of sets takes kinds squared steps on top of its own; beyond this many it is left out.
constexpr std::int64_t kMostCountSteps = 64'000'000;
constexpr std::int64_t kFirstCoverSteps = 6'000'000;
constexpr std::int64_t kRestSteps = 2'000'000;
// The overflow search: steps on a whole folder and on a large one, and at least per attempt.
constexpr std::int64_t kSpreadSteps = 6'000'000;
constexpr std::int64_t kLargeSpreadSteps = 16'000'000;
constexpr std::int64_t kSpreadAttemptSteps = 2'000'000;
constexpr std::int64_t kSpreadStepsPerItem = 100;
constexpr std::int64_t kPoolFillSteps = 12'000'000;
// Enough for the balanced filling of any folder: at most 65 tries a bin and one step an item added.
constexpr std::int64_t kBalancedStepsPerItem = 70;
// Above this many items an attempt needs more steps than a plan may take (a million video-like files: over
// 14 million steps, seconds, even one percent below first-fit decreasing).
constexpr std::size_t kLargeSpreadItems = 200'000;
constexpr std::int64_t kExactSteps = 6'000'000;
constexpr std::int64_t kRepairSteps = 3'000'000;
constexpr std::int64_t kCompletionSteps = 8'000'000;
// The searches recurse about once per item; larger folders are improved a part at a time: the items of
// the emptiest bins, up to this many, with fewer steps, since sorting and first-fit decreasing take their
// share of the time already.
constexpr std::size_t kSearchItems = 4000;
constexpr std::int64_t kPartSteps = 12'000'000;
// Folders too large for the overflow search are improved a group of bins at a time, with at least the
// first number of steps each, more where there are few groups: just above the overflow search's limit,
// about as many media as it would save.
constexpr std::size_t kGroupBins = 300;
constexpr std::int64_t kGroupSteps = 1'000'000;
constexpr std::int64_t kAllGroupsSteps = 600'000'000;
// After the balanced filling: a bin with more room than a kRoomyShare-th of the limit is roomy; a group holds
// kRoomyBins of them and gets at most kRoomyGroupSteps, within the steps all groups would have had.
constexpr std::int64_t kRoomyShare = 1000;
constexpr std::size_t kRoomyBins = 100;
constexpr std::int64_t kRoomyGroupSteps = 8'000'000;
// The groups' steps in all on a folder between kSearchItems and kLargeSpreadItems items.
constexpr std::int64_t kMidGroupsSteps = 24'000'000;
// The balanced filling is near the bound within a kNearBoundShare-th of it.
constexpr std::int64_t kNearBoundShare = 100;

// The sizes of the given items, in their order.
std::vector<std::int64_t> SizesOf(const std::vector<std::int64_t>& sizes,
                                  const std::vector<std::int32_t>& items) {
    std::vector<std::int64_t> part;
    part.reserve(items.size());
    for (const std::int32_t item : items) part.push_back(sizes[static_cast<std::size_t>(item)]);
    return part;
}

// Appends bins packed over a part of the items, each index into the part turned back into its item.
void AppendBins(Packing& to, const Packing& bins, const std::vector<std::int32_t>& items) {
    for (const auto& bin : bins) {
        to.emplace_back();
        for (const std::int32_t item : bin) to.back().push_back(items[static_cast<std::size_t>(item)]);
    }
}

// The pool search, one bin fewer at a time down to bound while its steps last; each packing it finds is
// kept.
Packing FewerByPool(const std::vector<std::int64_t>& sizes, std::int64_t limit, Packing best,
                    std::int64_t bound, StepBudget& steps) {
    Packing found;
    while (static_cast<std::int64_t>(best.size()) > bound && steps.Left() &&
           PoolFillSearch(sizes, limit, steps).Run(best, static_cast<std::int64_t>(best.size()) - 1, found) &&
           IsPacking(found, sizes, limit))
        best = std::move(found);
    return best;
}

// The walk's steps: its own and those of counting the sets of every kind of item with every other.
std::int64_t WalkSteps(const std::vector<std::int64_t>& sizes) {
    const auto kinds = static_cast<std::int64_t>(SizeKinds(sizes).Count());
    return kWalkSteps + kinds * kinds;
}

// Minimum bin slack, kept when it needs fewer bins.
Packing Fill(const std::vector<std::int64_t>& sizes, std::int64_t limit, Packing best, StepBudget& budget) {
    StepBudget part(budget, kSlackSteps);
    Packing filled = SlackFilling(sizes, limit, part).Run();
    return filled.size() < best.size() ? filled : best;
}

// The walk's closest state: its exactly filled bins, and the items it left over packed on their own, as
// few bins as bin completion finds; kept when that makes fewer bins than best.
Packing WithRestPacked(const std::vector<std::int64_t>& sizes, std::int64_t limit, const ExactFillWalk& walk,
                       Packing best, StepBudget& budget) {
    const std::vector<std::int32_t>& rest = walk.ClosestRest();
    const std::vector<std::int64_t> part = SizesOf(sizes, rest);
    Packing packed = Fill(part, limit, FirstFitDecreasing(part, limit), budget);
    StepBudget steps(budget, kRestSteps);
    Packing fewer;
    while (static_cast<std::int64_t>(packed.size()) > BinLowerBoundL2(part, limit) &&
           CompletionSearch(part, limit, steps).Run(static_cast<std::int64_t>(packed.size()) - 1, fewer))
        packed = std::move(fewer);
    if (walk.ClosestBins().size() + packed.size() >= best.size()) return best;
    Packing result = walk.ClosestBins();
    AppendBins(result, packed, rest);
    return result;
}

// On a folder that may fill every bin exactly: a short exact cover search settles folders where few sets
// fill a bin, either way; the walk suits those where very many do; the cover search then has its whole
// budget. Each ends the search once it finds such a packing; a cover search that ends without one proves
// that no exact filling exists, and proven rises. Where nearly every size is single the walk's count of sets
// would take too long (on folders of many files), and it is left out.
Packing ExactlyFilled(const std::vector<std::int64_t>& sizes, std::int64_t limit, Packing best,
                      std::int64_t& proven, StepBudget& budget) {
    const auto bins = [&] { return static_cast<std::int64_t>(best.size()); };
    Packing found;
    const auto cover = [&](std::int64_t steps) {
        StepBudget part(budget, steps);
        ExactCoverSearch search(sizes, limit, part);
        if (search.Run(found) && IsPacking(found, sizes, limit)) return true;
        if (search.Proven()) proven = std::max(proven, BinLowerBound(sizes, limit) + 1);
        return false;
    };
    if (bins() <= proven) return best;
    if (cover(kFirstCoverSteps)) return found;
    if (bins() > proven && WalkSteps(sizes) - kWalkSteps <= kMostCountSteps) {
        StepBudget part(budget, WalkSteps(sizes));
        ExactFillWalk walk(sizes, limit, part);
        if (walk.Run(found) && IsPacking(found, sizes, limit)) return found;
        best = WithRestPacked(sizes, limit, walk, std::move(best), budget);
    }
    if (bins() > proven && cover(kCoverSteps)) return found;
    return best;
}

// The overflow search between the bound and the fewest bins found so far, halving the gap: each success
// lowers the top, each failure (counted as no packing) raises the bottom. Where there is room to spare it
// meets the bound within a few thousand steps on small folders.
Packing Spread(const std::vector<std::int64_t>& sizes, std::int64_t limit, Packing best, std::int64_t proven,
               std::int64_t steps, StepBudget& budget) {
    StepBudget part(budget, steps);
    const std::int64_t attemptSteps =
        std::max(kSpreadAttemptSteps, kSpreadStepsPerItem * static_cast<std::int64_t>(sizes.size()));
    std::int64_t low = std::max<std::int64_t>(proven, 1);
    std::int64_t high = static_cast<std::int64_t>(best.size());
    Packing found;
    while (low < high && part.Left()) {
        const std::int64_t bins = low + (high - low) / 2;
        StepBudget attempt(part, attemptSteps);
        if (OverflowSearch(sizes, limit, attempt).Run(bins, found)) {
            best = std::move(found);
            high = bins;
        } else {
            low = bins + 1;
        }
    }
    return best;
}

// The searches toward the bound in turn: the overflow search and then the pool search where there is room
// to spare, the exact-fill searches where every bin may be filled exactly, bin completion, then the local
// search that empties bins. A search that ends without finding a packing, rather than running out of steps,
// proves that many bins too few: proven rises.
Packing Search(const std::vector<std::int64_t>& sizes, std::int64_t limit, Packing best, std::int64_t& proven,
               StepBudget& budget) {
    const auto bins = [&] { return static_cast<std::int64_t>(best.size()); };
    if (bins() <= proven) return best;
    Packing found;
    const bool exact = ExactFillSearch::Applies(sizes, limit);
    // As exact, or with items of exactly a quarter, which the exact-fill search and repair refuse.
    const bool fillable = ExactlyFillable(sizes, limit);
    // Folders that must fill bins exactly leave the overflow search no room to move in.
    if (!fillable) {
        best = Spread(sizes, limit, std::move(best), proven, kSpreadSteps, budget);
        if (bins() <= proven) return best;
        // Little room to spare: bins kept within the limit and filled up from a pool often meet the bound
        // where overfull packings do not; on a part of a large folder, one bin fewer at a time.
        StepBudget part(budget, kPoolFillSteps);
        best = FewerByPool(sizes, limit, std::move(best), proven, part);
    } else {
        best = ExactlyFilled(sizes, limit, std::move(best), proven, budget);
    }
    if (bins() <= proven) return best;
    if (exact && bins() > proven) {
        StepBudget part(budget, kExactSteps);
        ExactFillSearch search(sizes, limit, part);
        if (search.Run(found)) return found;
        if (search.Proven()) {
            proven = std::max(proven, BinLowerBound(sizes, limit) + 1);
        } else {
            StepBudget repair(budget, kRepairSteps);
            if (ExactFillRepair(sizes, limit, repair).Run(found)) return found;
        }
    }
    // One bin fewer would have to be filled exactly, which every search above has looked for.
    if (fillable && bins() == BinLowerBound(sizes, limit) + 1) return best;
    {
        // The bound first, with half the steps: when it can be reached, the little waste it allows keeps
        // the search short. Otherwise one bin fewer at a time, each success kept, until the steps run out.
        StepBudget part(budget, kCompletionSteps);
        if (!exact) {
            // Unless the exact-fill search has tried the bound already.
            StepBudget half(part, kCompletionSteps / 2);
            CompletionSearch search(sizes, limit, half);
            if (search.Run(proven, found))
                best = std::move(found);
            else if (!search.Exhausted())
                ++proven;
        }
        while (bins() - 1 >= proven && part.Left()) {
            CompletionSearch search(sizes, limit, part);
            if (search.Run(bins() - 1, found)) {
                best = std::move(found);
            } else {
                if (!search.Exhausted()) proven = bins();
                break;
            }
        }
    }
    return EliminateBins(sizes, limit, std::move(best), proven, budget);
}

// The items of the emptiest bins, up to kSearchItems of them, packed again on their own.
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

// Counts what a part of the plan left of its allotment as done, so that the progress shown reaches its end
// rather than stopping short when the part finishes early.
void SpendRest(StepBudget& budget, std::int64_t usedBefore, std::int64_t allotted) {
    budget.Spend(std::max<std::int64_t>(0, usedBefore + allotted - budget.Used()));
}

// The fewest bins of the two balanced fillings (the first items of a bin the largest, or drawn) and, where
// no bin holds more than three items but for a few smaller ones, the filling of the smallest three to a bin;
// none when none needs fewer than bins. With smaller items it runs only where the balanced fillings are not
// near the bound: on video-like files, which have smaller ones, it would add a second to a million files
// for nothing.
Packing BalancedStart(const std::vector<std::int64_t>& sizes, std::int64_t limit, std::size_t bins,
                      std::int64_t bound, std::int64_t steps, StepBudget& budget) {
    Packing best;
    const auto keep = [&](Packing filled) {
        if (!filled.empty() && filled.size() < (best.empty() ? bins : best.size())) best = std::move(filled);
    };
    for (const bool drawn : {false, true}) {
        const std::int64_t before = budget.Used();
        StepBudget part(budget, steps);
        keep(BalancedFilling(sizes, limit, drawn, part).Run());
        SpendRest(budget, before, steps);
    }
    if (ThreeItemFilling::Applies(sizes, limit)) {
        const std::int64_t before = budget.Used();
        const auto fewest = static_cast<std::int64_t>(best.empty() ? bins : best.size());
        if (4 * sizes.back() > limit || fewest > bound + bound / kNearBoundShare) {
            StepBudget part(budget, ThreeItemFilling::kFillings * steps);
            keep(ThreeItemFilling(sizes, limit, part).Run());
        }
        SpendRest(budget, before, ThreeItemFilling::kFillings * steps);
    }
    return best;
}

// The overflow search on a folder of many items, from the balanced filling when that is near the bound
// (attempts started nearer would fail, each spending its whole budget), else from first-fit decreasing,
// as on files of a narrow range of sizes several to a bin, which the balanced filling leaves roomier and the
// overflow search improves less from; then the better of that and the balanced filling.
Packing SpreadFromBetterStart(const std::vector<std::int64_t>& sizes, std::int64_t limit, Packing firstFit,
                              Packing balanced, std::int64_t proven, StepBudget& budget) {
    const auto near = proven + proven / kNearBoundShare;
    if (!balanced.empty() && static_cast<std::int64_t>(balanced.size()) <= near)
        return Spread(sizes, limit, std::move(balanced), proven, kSpreadSteps, budget);
    Packing best = Spread(sizes, limit, std::move(firstFit), proven, kLargeSpreadSteps, budget);
    return !balanced.empty() && balanced.size() < best.size() ? std::move(balanced) : std::move(best);
}

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

// The bins of a folder too large for the searches on the whole, a group at a time: the pool search takes
// one bin off the group after another while its steps last. The bins go in a seeded random order, so that
// each group holds a sample of every kind of bin; where the room is in a few bins (after the balanced
// filling or the other searches), only groups of roomy bins and full ones are improved, with the steps of
// all groups shared among them (kRoomyGroupSteps at most each).
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

}  // namespace

PackingResult PlanPacking(const std::vector<std::int64_t>& sizes, std::int64_t limit,
                          const PlanControl& control) {
    PackingResult result;
    result.bins = FirstFitDecreasing(sizes, limit);
    result.firstFitBins = static_cast<std::int64_t>(result.bins.size());
    result.simpleBound = BinLowerBound(sizes, limit);
    result.provenBound = std::max(BinLowerBoundL2(sizes, limit), BinLowerBoundDff(sizes, limit));
    if (result.firstFitBins > result.provenBound) {
        // 0 KB items fit anywhere but never make a bin fuller, which the searches go by: plan without them,
        // then put them in the first bin.
        const auto sized =
            static_cast<std::int32_t>(std::find(sizes.begin(), sizes.end(), 0) - sizes.begin());
        const std::vector<std::int64_t> nonzero(sizes.begin(), sizes.begin() + sized);
        const bool fillable = ExactlyFillable(nonzero, limit);
        // The exact cover search's and the walk's steps, the relaxation's, the groups' and the balanced
        // fillings' come on top, so that the other searches keep theirs.
        const bool large = nonzero.size() > kLargeSpreadItems;
        const auto groups = static_cast<std::int64_t>(result.bins.size() / kGroupBins + 1);
        const std::int64_t groupSteps = std::max(kGroupSteps, kAllGroupsSteps / groups);
        const bool whole = nonzero.size() <= kSearchItems;
        const std::int64_t balancedSteps = kBalancedStepsPerItem * static_cast<std::int64_t>(nonzero.size());
        const std::int64_t groupsSteps = large ? groups * groupSteps : (!whole ? kMidGroupsSteps : 0);
        const std::int64_t fillings =
            2 + (ThreeItemFilling::Applies(nonzero, limit) ? ThreeItemFilling::kFillings : 0);
        // Files of 0 KB only leave nothing to bound. The relaxation's knapsacks are exact where every item
        // is over a fifth of the limit; where at most half the items are smaller, they may be left out, which
        // keeps its bound a bound.
        const bool relax = !nonzero.empty() && !ExactFillSearch::Applies(nonzero, limit);
        const auto overFifth = static_cast<std::size_t>(
            std::partition_point(nonzero.begin(), nonzero.end(),
                                 [&](std::int64_t size) { return 5 * size > limit; }) -
            nonzero.begin());
        const bool fewItems = overFifth > 0 && 2 * (nonzero.size() - overFifth) <= nonzero.size();
        const std::int64_t boundSteps = !relax ? 0 : (fewItems ? kFewItemBoundSteps : kBoundSteps);
        StepBudget budget(kPlanSteps + (fillable ? kCoverSteps + WalkSteps(nonzero) : 0) + boundSteps +
                              groupsSteps + fillings * balancedSteps,
                          control);
        Packing best;
        for (auto& bin : result.bins) {
            std::erase_if(bin, [sized](std::int32_t item) { return item >= sized; });
            if (!bin.empty()) best.push_back(std::move(bin));
        }
        Packing balanced;
        if (whole) best = Fill(nonzero, limit, std::move(best), budget);
        if (static_cast<std::int64_t>(best.size()) > result.provenBound)
            balanced = BalancedStart(nonzero, limit, best.size(), result.provenBound, balancedSteps, budget);
        const auto fewest = static_cast<std::int64_t>(balanced.empty() ? best.size() : balanced.size());
        // A folder that may fill every bin exactly leaves the steps to the exact-fill search: the relaxation
        // could only prove more when no exact filling exists.
        if (boundSteps > 0) {
            const std::int64_t before = budget.Used();
            if (fewest > result.provenBound) {
                // Leaving the smaller items out pays only where the plan is far above the bound so far (on
                // video-like files it would spend a fifth of a second for nothing); otherwise all items, with
                // the usual steps.
                const bool all = overFifth == nonzero.size();
                const bool leaveOut =
                    fewItems && !all && fewest > result.provenBound + result.provenBound / kNearBoundShare;
                StepBudget part(budget, (fewItems && all) || leaveOut ? kFewItemBoundSteps : kBoundSteps);
                const std::vector<std::int64_t> bounded(
                    nonzero.begin(),
                    nonzero.begin() + static_cast<std::ptrdiff_t>(leaveOut ? overFifth : nonzero.size()));
                result.provenBound =
                    std::max(result.provenBound, RelaxationBound(bounded, limit, fewest, part));
            }
            SpendRest(budget, before, boundSteps);
        }
        if (fewest <= result.provenBound) {
            if (!balanced.empty()) best = std::move(balanced);
        } else if (whole) {
            // From the fewer bins of minimum bin slack and the fillings (of files just around a third, the
            // filling three to a bin of the smallest saves a medium or two more when searched from).
            if (!balanced.empty() && balanced.size() < best.size()) best = std::move(balanced);
            best = Search(nonzero, limit, std::move(best), result.provenBound, budget);
        } else if (large) {
            const bool fromBalanced = !balanced.empty();
            if (fromBalanced) best = std::move(balanced);
            best = ImproveInGroups(nonzero, limit, std::move(best), fromBalanced, groups * groupSteps,
                                   groupSteps, budget);
            best = ImproveEmptiest(nonzero, limit, std::move(best), budget);
        } else {
            if (!fillable) {
                best = SpreadFromBetterStart(nonzero, limit, std::move(best), std::move(balanced),
                                             result.provenBound, budget);
            } else {
                if (!balanced.empty()) best = std::move(balanced);
                best = ExactlyFilled(nonzero, limit, std::move(best), result.provenBound, budget);
            }
            best = ImproveEmptiest(nonzero, limit, std::move(best), budget);
            // What the repacking of the emptiest bins leaves, groups of roomy and full bins may still save.
            if (static_cast<std::int64_t>(best.size()) > result.provenBound)
                best = ImproveInGroups(nonzero, limit, std::move(best), true, kMidGroupsSteps,
                                       kRoomyGroupSteps, budget);
        }
        if (best.empty()) best.emplace_back();
        for (std::int32_t item = sized; item < static_cast<std::int32_t>(sizes.size()); ++item)
            best.front().push_back(item);
        result.bins = std::move(best);
        result.cancelled = budget.Cancelled();
        // Done: the progress shown ends full, whatever steps the searches had no use for.
        if (!result.cancelled) budget.Spend(budget.Remaining());
    }
    for (auto& bin : result.bins) std::sort(bin.begin(), bin.end());
    return result;
}

}  // namespace drovalin
