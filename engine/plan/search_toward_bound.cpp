#include "plan/search_toward_bound.h"

#include <algorithm>

#include "plan/bin_emptying.h"
#include "plan/completion_search.h"
#include "plan/exact_cover_search.h"
#include "plan/exact_fill_repair.h"
#include "plan/exact_fill_search.h"
#include "plan/exact_fill_walk.h"
#include "plan/overflow_search.h"
#include "plan/pool_fill_search.h"
#include "plan/size_kinds.h"
#include "plan/slack_filling.h"

namespace drovalin {
namespace {

// The most each search may take of a plan's steps.
constexpr std::int64_t kSlackSteps = 4'000'000;
constexpr std::int64_t kCoverSteps = 60'000'000;
constexpr std::int64_t kWalkSteps = 16'000'000;
// The walk's count of sets takes kinds squared steps on top of its own; beyond this many it is left out.
constexpr std::int64_t kMostCountSteps = 64'000'000;
constexpr std::int64_t kFirstCoverSteps = 6'000'000;
constexpr std::int64_t kRestSteps = 2'000'000;
// Each attempt of the overflow search: at least the first, or the second per item where that is more.
constexpr std::int64_t kSpreadAttemptSteps = 2'000'000;
constexpr std::int64_t kSpreadStepsPerItem = 100;
constexpr std::int64_t kPoolFillSteps = 12'000'000;
constexpr std::int64_t kExactSteps = 6'000'000;
constexpr std::int64_t kRepairSteps = 3'000'000;
constexpr std::int64_t kCompletionSteps = 8'000'000;

// The walk's steps: its own and those of counting the sets of every kind of item with every other.
std::int64_t WalkSteps(const std::vector<std::int64_t>& sizes) {
    const auto kinds = static_cast<std::int64_t>(SizeKinds(sizes).Count());
    return kWalkSteps + kinds * kinds;
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

}  // namespace

std::int64_t ExactlyFilledSteps(const std::vector<std::int64_t>& sizes) {
    return kCoverSteps + WalkSteps(sizes);
}

Packing FewerByPool(const std::vector<std::int64_t>& sizes, std::int64_t limit, Packing best,
                    std::int64_t bound, StepBudget& steps) {
    Packing found;
    while (static_cast<std::int64_t>(best.size()) > bound && steps.Left() &&
           PoolFillSearch(sizes, limit, steps).Run(best, static_cast<std::int64_t>(best.size()) - 1, found) &&
           IsPacking(found, sizes, limit))
        best = std::move(found);
    return best;
}

Packing Fill(const std::vector<std::int64_t>& sizes, std::int64_t limit, Packing best, StepBudget& budget) {
    StepBudget part(budget, kSlackSteps);
    Packing filled = SlackFilling(sizes, limit, part).Run();
    return filled.size() < best.size() ? filled : best;
}

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

}  // namespace drovalin
