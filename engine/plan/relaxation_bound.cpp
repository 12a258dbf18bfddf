#include "plan/relaxation_bound.h"

#include <algorithm>
#include <cmath>

#include "plan/pattern_knapsack.h"
#include "plan/pattern_master.h"

namespace drovalin {
namespace {

// The basis inverse takes kinds squared numbers and a pivot as many steps: with more different sizes than
// this, the relaxation would run out of steps after a few pivots, and is solved on sizes rounded down
// instead.
constexpr std::size_t kMostKinds = 100;
// The most steps of one knapsack: beyond them the pattern found so far enters, and the bound of that
// round uses the knapsack's relaxation instead of its optimum.
constexpr std::int64_t kPricingSteps = 200'000;
// A pattern enters only when it is worth more than 1 by this much.
constexpr double kImprovement = 1e-9;

// The smallest whole number of bins at least value, a little generous to rounding.
std::int64_t WholeBins(double value) {
    return static_cast<std::int64_t>(std::ceil(value - 1e-7 * std::max(1.0, value)));
}

// The sizes in kMostKinds groups of as many items each, every size rounded down to the smallest of its
// group. Every packing of the sizes packs these too, so that a bound on their bins is one on the sizes' own.
std::vector<std::int64_t> RoundedDown(const std::vector<std::int64_t>& sizes) {
    std::vector<std::int64_t> rounded(sizes.size());
    for (std::size_t group = 0; group < kMostKinds; ++group) {
        const std::size_t first = sizes.size() * group / kMostKinds;
        const std::size_t end = sizes.size() * (group + 1) / kMostKinds;
        if (first < end) std::fill(rounded.begin() + first, rounded.begin() + end, sizes[end - 1]);
    }
    return rounded;
}

}  // namespace

std::int64_t RelaxationBound(const std::vector<std::int64_t>& given, std::int64_t limit, std::int64_t enough,
                             StepBudget& budget) {
    std::size_t different = given.empty() ? 0 : 1;
    for (std::size_t i = 1; i < given.size(); ++i) different += given[i] != given[i - 1];
    const std::vector<std::int64_t> sizes = different > kMostKinds ? RoundedDown(given) : given;
    std::vector<KnapsackKind> kinds;
    std::vector<double> demand;
    for (const std::int64_t size : sizes) {
        if (size <= 0 || size > limit) return 0;
        if (kinds.empty() || kinds.back().size != size) {
            kinds.push_back({size, 0, 0});
            demand.push_back(0);
        }
        ++kinds.back().most;
        demand.back() += 1;
    }
    std::vector<std::int64_t> most;
    for (auto& kind : kinds) {
        kind.most = std::min(kind.most, limit / kind.size);
        most.push_back(kind.most);
    }
    const auto pivotSteps = static_cast<std::int64_t>(kinds.size() * kinds.size());
    PatternMaster master(demand, most);
    std::int64_t bound = 0;
    while (budget.Spend(pivotSteps)) {
        if (master.PivotSurplus()) continue;
        double total = 0;
        for (std::size_t k = 0; k < kinds.size(); ++k) {
            kinds[k].value = std::max(master.Prices()[k], 0.0);
            total += demand[k] * kinds[k].value;
        }
        StepBudget pricing(budget, kPricingSteps);
        const KnapsackPattern pattern = BestPattern(kinds, limit, pricing);
        if (pattern.most > 0) bound = std::max(bound, WholeBins(total / pattern.most));
        if (bound >= enough || WholeBins(master.Objective()) <= bound) break;
        if (pattern.value <= 1 + kImprovement || !master.PivotPattern(pattern.counts)) break;
    }
    return bound;
}

}  // namespace drovalin
