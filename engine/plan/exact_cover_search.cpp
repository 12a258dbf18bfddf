#include "plan/exact_cover_search.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <functional>

namespace drovalin {
namespace {

// More sets than this take too long to list and to search; the other searches take such folders.
constexpr std::size_t kMostSets = 600'000;
// Rounds with a node limit; the round after them has none but the budget's.
constexpr int kLimitedRounds = 40;
// Passes of belief propagation over the sets: as many as a quarter of the steps left pays for, up to the
// most (where each size has few sets the messages settle only after some 60 passes; before, they point the
// wrong way for a third of the sizes), none when that is fewer than the fewest; they end once no message
// moves by more than kSettled of itself. Steps per pass and set:
constexpr std::int64_t kFewestBeliefPasses = 30;
constexpr std::int64_t kBeliefPasses = 150;
constexpr std::int64_t kBeliefPassCost = 6;
constexpr double kSettled = 1e-4;
// Rounds that follow the beliefs add up to this much noise to each set's log belief, per round before;
// ranks keep log beliefs to this many parts of one.
constexpr double kBeliefNoise = 0.25;
constexpr double kRankScale = 1000.0;
// Messages stay between this and its inverse.
constexpr double kTiny = 1e-9;

}  // namespace

ExactCoverSearch::ExactCoverSearch(const std::vector<std::int64_t>& sizes, std::int64_t limit,
                                   StepBudget& budget)
    : limit_(limit), budget_(budget), kinds_(sizes) {
    // Three in four sizes single.
    sharp_ = 4 * kinds_.Count() >= 3 * sizes.size();
    free_.assign(kinds_.Count(), 0);
    ways_.assign(kinds_.Count(), 0);
    lowest_.assign(kinds_.Count(), 0);
    holding_.resize(kinds_.Count());
}

bool ExactCoverSearch::Run(Packing& packing) {
    if (!ListSets()) return false;
    for (std::size_t kind = 0; kind < kinds_.Count(); ++kind)
        for (std::size_t copy = 0; copy < kinds_.items[kind].size(); ++copy)
            Give(static_cast<std::int32_t>(kind));
    for (int round = 0; !exhausted_; ++round) {
        // Beliefs cost passes over the sets; where there are too many, the other order serves.
        const std::int64_t passes =
            std::min(kBeliefPasses, budget_.Remaining() / 4 /
                                        (kBeliefPassCost * static_cast<std::int64_t>(sets_.size()) + 1));
        if (round == 1 && passes >= kFewestBeliefPasses) Beliefs(passes);
        if (Round(round)) {
            packing = Assign();
            return true;
        }
        if (!restart_) {
            proven_ = !exhausted_;
            return false;
        }
    }
    return false;
}

// Belief propagation for "each item in exactly one set": an item tells each of its sets how likely that
// set is to cover it, from how likely the item's other sets are; a set tells each member the product of what
// its other members say. The messages are damped and bounded, which keeps them from swinging on loops. A
// size with several items needs several sets, which "exactly one" cannot say: where most sizes are single,
// such a size tells its sets nothing (its messages would swing without end and unsettle the rest); where
// few are, the beliefs only guide roughly.
void ExactCoverSearch::Beliefs(std::int64_t passes) {
    const std::size_t n = sets_.size();
    std::vector<std::array<double, kMostItems>> toSet(n);
    std::vector<std::array<double, kMostItems>> toKind(n);
    for (auto& messages : toSet) messages.fill(1.0);
    std::vector<double> sum(kinds_.Count());
    double moved = 1.0;
    for (std::int64_t pass = 0; pass < passes && moved > kSettled; ++pass) {
        budget_.Spend(kBeliefPassCost * static_cast<std::int64_t>(n));
        moved = 0.0;
        std::fill(sum.begin(), sum.end(), 0.0);
        for (std::size_t set = 0; set < n; ++set) {
            for (std::size_t slot = 0; slot < kMostItems; ++slot) {
                if (sets_[set][slot] == kNone) continue;
                double product = 1.0;
                for (std::size_t other = 0; other < kMostItems; ++other)
                    if (other != slot && sets_[set][other] != kNone) product *= toSet[set][other];
                toKind[set][slot] = product;
                sum[static_cast<std::size_t>(sets_[set][slot])] += product;
            }
        }
        for (std::size_t set = 0; set < n; ++set) {
            for (std::size_t slot = 0; slot < kMostItems; ++slot) {
                const std::int32_t kind = sets_[set][slot];
                if (kind == kNone || (sharp_ && kinds_.items[static_cast<std::size_t>(kind)].size() > 1))
                    continue;
                const double rest = sum[static_cast<std::size_t>(kind)] - toKind[set][slot];
                const double message = std::clamp(1.0 / std::max(rest, kTiny), kTiny, 1.0 / kTiny);
                const double damped = std::sqrt(toSet[set][slot] * message);
                moved = std::max(moved, std::abs(damped / toSet[set][slot] - 1.0));
                toSet[set][slot] = damped;
            }
        }
    }
    belief_.assign(n, 1.0);
    for (std::size_t set = 0; set < n; ++set)
        for (std::size_t slot = 0; slot < kMostItems; ++slot)
            if (sets_[set][slot] != kNone) belief_[set] *= toSet[set][slot];
}

bool ExactCoverSearch::ListSets() {
    const auto kinds = static_cast<std::int32_t>(kinds_.Count());
    const auto kindOf = [&](std::int64_t size) {
        const std::size_t kind = kinds_.Of(size);
        return kind == kinds_.Count() ? kNone : static_cast<std::int32_t>(kind);
    };
    const auto enough = [&](const Set& set) {
        for (const std::int32_t kind : set)
            if (kind != kNone && static_cast<std::size_t>(std::count(set.begin(), set.end(), kind)) >
                                     kinds_.items[static_cast<std::size_t>(kind)].size())
                return false;
        return true;
    };
    for (std::int32_t first = 0; first < kinds; ++first) {
        const std::int64_t room = limit_ - kinds_.kindSizes[static_cast<std::size_t>(first)];
        if (room == 0) AddSet({first, kNone, kNone, kNone});
        if (const Set four{first, first, first, first};
            4 * kinds_.kindSizes[static_cast<std::size_t>(first)] == limit_ && enough(four))
            AddSet(four);
        std::int32_t second = first;
        for (; second < kinds; ++second) {
            const std::int64_t rest = room - kinds_.kindSizes[static_cast<std::size_t>(second)];
            if (rest > kinds_.kindSizes[static_cast<std::size_t>(second)]) break;
            if (rest < 0) continue;
            const Set set{first, second, rest == 0 ? kNone : kindOf(rest), kNone};
            if ((rest == 0 || set[2] != kNone) && enough(set)) AddSet(set);
        }
        if (!budget_.Spend(second - first + 1) || sets_.size() > kMostSets) return false;
    }
    // Every kind lacks free items until they are given.
    dead_.assign(sets_.size(), 0);
    for (std::size_t set = 0; set < sets_.size(); ++set) {
        const Set& kinds = sets_[set];
        for (std::size_t slot = 0; slot < kMostItems; ++slot)
            dead_[set] += kinds[slot] != kNone && (slot == 0 || kinds[slot] != kinds[slot - 1]);
    }
    return true;
}

void ExactCoverSearch::AddSet(const Set& set) {
    const auto id = static_cast<std::int32_t>(sets_.size());
    sets_.push_back(set);
    for (std::size_t slot = 0; slot < set.size(); ++slot) {
        if (set[slot] == kNone || (slot > 0 && set[slot] == set[slot - 1])) continue;
        const auto count = std::count(set.begin(), set.end(), set[slot]);
        holding_[static_cast<std::size_t>(set[slot])][static_cast<std::size_t>(count - 1)].push_back(id);
    }
}

// Kinds in a set are in decreasing size, so equal kinds sit side by side.
void ExactCoverSearch::Kill(std::int32_t set) {
    if (dead_[static_cast<std::size_t>(set)]++ > 0) return;
    const Set& kinds = sets_[static_cast<std::size_t>(set)];
    for (std::size_t slot = 0; slot < kinds.size(); ++slot)
        if (kinds[slot] != kNone && (slot == 0 || kinds[slot] != kinds[slot - 1]))
            --ways_[static_cast<std::size_t>(kinds[slot])];
}

void ExactCoverSearch::Revive(std::int32_t set) {
    if (--dead_[static_cast<std::size_t>(set)] > 0) return;
    const Set& kinds = sets_[static_cast<std::size_t>(set)];
    for (std::size_t slot = 0; slot < kinds.size(); ++slot)
        if (kinds[slot] != kNone && (slot == 0 || kinds[slot] != kinds[slot - 1]))
            ++ways_[static_cast<std::size_t>(kinds[slot])];
}

void ExactCoverSearch::Take(std::int32_t kind) {
    const std::int64_t had = free_[static_cast<std::size_t>(kind)]--;
    --freeCount_;
    if (had > static_cast<std::int64_t>(kMostItems)) return;
    const auto& dying = holding_[static_cast<std::size_t>(kind)][static_cast<std::size_t>(had - 1)];
    budget_.Spend(static_cast<std::int64_t>(dying.size()));
    for (const std::int32_t set : dying) Kill(set);
}

void ExactCoverSearch::Give(std::int32_t kind) {
    const std::int64_t had = free_[static_cast<std::size_t>(kind)]++;
    ++freeCount_;
    if (had >= static_cast<std::int64_t>(kMostItems)) return;
    const auto& living = holding_[static_cast<std::size_t>(kind)][static_cast<std::size_t>(had)];
    budget_.Spend(static_cast<std::int64_t>(living.size()));
    for (const std::int32_t set : living) Revive(set);
}

std::int32_t ExactCoverSearch::Branching() {
    budget_.Spend(static_cast<std::int64_t>(kinds_.Count()));
    std::int32_t chosen = kNone;
    std::int64_t fewest = INT64_MAX;
    std::uint64_t ties = 0;
    for (std::size_t kind = 0; kind < kinds_.Count(); ++kind) {
        if (free_[kind] == 0) continue;
        const std::int64_t ways = ways_[kind];
        if (ways == 0) return kNone;
        if (ways < fewest) {
            chosen = static_cast<std::int32_t>(kind);
            fewest = ways;
            ties = 1;
        } else if (ways == fewest && randomOrder_ && random_() % ++ties == 0) {
            chosen = static_cast<std::int32_t>(kind);
        }
    }
    return fewest > 1 && noise_ >= 0 && sharp_ ? MostDecided() : chosen;
}

// The free kind whose likeliest live set holds the largest share of its live sets' beliefs: where each
// size has few sets, the sizes the beliefs are surest of are nearly always right, and taking them first
// leaves the rest a smaller, clearer problem.
std::int32_t ExactCoverSearch::MostDecided() {
    std::int32_t chosen = kNone;
    double top = -1.0;
    for (std::size_t kind = 0; kind < kinds_.Count(); ++kind) {
        if (free_[kind] == 0) continue;
        double sum = 0.0, most = 0.0;
        for (const auto& sets : holding_[kind]) {
            budget_.Spend(static_cast<std::int64_t>(sets.size()));
            for (const std::int32_t set : sets) {
                if (dead_[static_cast<std::size_t>(set)] > 0) continue;
                sum += belief_[static_cast<std::size_t>(set)];
                most = std::max(most, belief_[static_cast<std::size_t>(set)]);
            }
        }
        const double share =
            std::log(most / sum) + std::uniform_real_distribution<double>(0.0, noise_)(random_);
        if (share > top || chosen == kNone) {
            top = share;
            chosen = static_cast<std::int32_t>(kind);
        }
    }
    return chosen;
}

bool ExactCoverSearch::Place() {
    if (freeCount_ == 0) return true;
    if (!budget_.Left()) exhausted_ = true;
    if (++nodes_ > nodeLimit_) restart_ = true;
    if (exhausted_ || restart_) return false;
    const std::int32_t kind = Branching();
    if (kind == kNone) return false;
    // (rank, tie-breaker, set)
    std::vector<std::array<std::int64_t, 3>> options;
    for (const auto& sets : holding_[static_cast<std::size_t>(kind)]) {
        for (const std::int32_t set : sets) {
            if (dead_[static_cast<std::size_t>(set)] > 0 || set < lowest_[static_cast<std::size_t>(kind)])
                continue;
            const std::int64_t tie = randomOrder_ ? static_cast<std::int64_t>(random_() >> 1) : set;
            options.push_back({Rank(kind, set), tie, set});
        }
    }
    budget_.Spend(static_cast<std::int64_t>(options.size()));
    std::sort(options.begin(), options.end());
    const std::int32_t lowest = lowest_[static_cast<std::size_t>(kind)];
    for (const auto& option : options) {
        const auto set = static_cast<std::int32_t>(option[2]);
        const Set& kinds = sets_[static_cast<std::size_t>(set)];
        for (const std::int32_t member : kinds)
            if (member != kNone) Take(member);
        path_.push_back(set);
        lowest_[static_cast<std::size_t>(kind)] = set;
        if (Place()) return true;
        lowest_[static_cast<std::size_t>(kind)] = lowest;
        path_.pop_back();
        for (auto member = kinds.rbegin(); member != kinds.rend(); ++member)
            if (*member != kNone) Give(*member);
        if (exhausted_ || restart_) break;
    }
    return false;
}

std::int64_t ExactCoverSearch::Rank(std::int32_t kind, std::int32_t set) {
    if (noise_ < 0) {
        std::int64_t partners = 0;
        for (const std::int32_t other : sets_[static_cast<std::size_t>(set)])
            if (other != kNone && other != kind) partners += ways_[static_cast<std::size_t>(other)];
        return partners;
    }
    const double noise = std::uniform_real_distribution<double>(0.0, noise_)(random_);
    return static_cast<std::int64_t>((noise - std::log(belief_[static_cast<std::size_t>(set)])) * kRankScale);
}

bool ExactCoverSearch::Round(int round) {
    random_.seed(static_cast<std::uint64_t>(round));
    randomOrder_ = round > 0;
    noise_ = round % 2 == 1 && !belief_.empty() ? kBeliefNoise * (round / 2) : -1;
    const std::int64_t bins = freeCount_ / 3 + 1;
    nodeLimit_ = round < kLimitedRounds ? bins * 2 + (bins << (round / 4)) : INT64_MAX;
    nodes_ = 0;
    restart_ = false;
    return Place();
}

Packing ExactCoverSearch::Assign() const {
    std::vector<std::size_t> used(kinds_.Count(), 0);
    Packing packing;
    for (const std::int32_t set : path_) {
        packing.emplace_back();
        for (const std::int32_t kind : sets_[static_cast<std::size_t>(set)])
            if (kind != kNone)
                packing.back().push_back(
                    kinds_.items[static_cast<std::size_t>(kind)][used[static_cast<std::size_t>(kind)]++]);
    }
    return packing;
}

}  // namespace drovalin
