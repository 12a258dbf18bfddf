#include "plan/packing_improvement.h"

#include <algorithm>

#include "plan/balanced_filling.h"
#include "plan/count_bound.h"
#include "plan/count_filling.h"
#include "plan/exact_fill_search.h"
#include "plan/part_improvement.h"
#include "plan/relaxation_bound.h"
#include "plan/search_toward_bound.h"
#include "plan/step_budget.h"

namespace drovalin {
namespace {

// The whole plan's steps, and the most the bound and the fillings may take on top of them.
constexpr std::int64_t kPlanSteps = 36'000'000;
constexpr std::int64_t kBoundSteps = 6'000'000;
// Where every item is over a fifth of the limit each knapsack of the relaxation is exact, and it ends within
// about this many steps (about a third of a second) where it would otherwise prove little.
constexpr std::int64_t kFewItemBoundSteps = 40'000'000;
// The overflow search's steps on a folder of many items.
constexpr std::int64_t kLargeSpreadSteps = 16'000'000;
// Enough for the balanced filling of any folder: at most 65 tries a bin and one step an item added.
constexpr std::int64_t kBalancedStepsPerItem = 70;
// Above this many items an attempt needs more steps than a plan may take (a million video-like files: over
// 14 million steps, seconds, even one percent below first-fit decreasing).
constexpr std::size_t kLargeSpreadItems = 200'000;
// Folders too large for the overflow search are improved a group of bins at a time, with at least the
// first number of steps each, more where there are few groups: just above the overflow search's limit,
// about as many media as it would save.
constexpr std::int64_t kGroupSteps = 1'000'000;
constexpr std::int64_t kAllGroupsSteps = 600'000'000;
// The groups' steps in all on a folder between kSearchItems and kLargeSpreadItems items.
constexpr std::int64_t kMidGroupsSteps = 24'000'000;
// The balanced filling is near the bound within a kNearBoundShare-th of it.
constexpr std::int64_t kNearBoundShare = 100;

// The fewest bins of the two balanced fillings (the first items of a bin the largest, or drawn) and, where
// the count bound's items are most of them, the filling shaped as that bound; none when none needs fewer
// than bins. Unless every item is over a quarter the shaped filling runs only where the balanced fillings
// are not near the bound: on video-like files it would add a second to a million files for nothing.
Packing BalancedStart(const std::vector<std::int64_t>& sizes, std::int64_t limit, const CountBound& counts,
                      std::size_t bins, std::int64_t bound, std::int64_t steps, StepBudget& budget) {
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
    if (CountFilling::Applies(sizes, limit, counts)) {
        const std::int64_t before = budget.Used();
        const auto fewest = static_cast<std::int64_t>(best.empty() ? bins : best.size());
        if (4 * sizes.back() > limit || fewest > bound + bound / kNearBoundShare) {
            StepBudget part(budget, CountFilling::kBudgetFillings * steps);
            keep(CountFilling(sizes, limit, counts, part).Run());
        }
        SpendRest(budget, before, CountFilling::kBudgetFillings * steps);
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

}  // namespace

PackingResult PlanPacking(const std::vector<std::int64_t>& sizes, std::int64_t limit,
                          const PlanControl& control) {
    PackingResult result;
    result.bins = FirstFitDecreasing(sizes, limit);
    result.firstFitBins = static_cast<std::int64_t>(result.bins.size());
    result.simpleBound = BinLowerBound(sizes, limit);
    const CountBound counts(sizes, limit);
    result.provenBound =
        std::max({BinLowerBoundL2(sizes, limit), BinLowerBoundDff(sizes, limit), counts.Best().bins});
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
            2 + (CountFilling::Applies(nonzero, limit, counts) ? CountFilling::kBudgetFillings : 0);
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
        StepBudget budget(kPlanSteps + (fillable ? ExactlyFilledSteps(nonzero) : 0) + boundSteps +
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
            balanced =
                BalancedStart(nonzero, limit, counts, best.size(), result.provenBound, balancedSteps, budget);
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
            // filling shaped as the count bound saves a medium or two more when searched from).
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
