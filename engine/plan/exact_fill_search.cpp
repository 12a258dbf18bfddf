#include "plan/exact_fill_search.h"

#include <algorithm>
#include <climits>
#include <functional>

namespace drovalin {
namespace {

constexpr int kRestarts = 24;
// The share of the budget, in parts of 16, for the limited discrepancy search; and the most
// discrepancies it allows.
constexpr std::int64_t kOrderedShare = 10;
constexpr int kMostDiscrepancies = 8;

}  // namespace

ExactFillSearch::ExactFillSearch(const std::vector<std::int64_t>& sizes, std::int64_t limit,
                                 StepBudget& budget)
    : limit_(limit), budget_(budget) {
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        if (sizes_.empty() || sizes_.back() != sizes[i]) {
            sizes_.push_back(sizes[i]);
            items_.emplace_back();
        }
        items_.back().push_back(static_cast<std::int32_t>(i));
    }
    for (const std::int64_t size : sizes_) targets_.push_back(limit - size);
    std::sort(targets_.begin(), targets_.end());
    pairs_.assign(targets_.size(), 0);
    for (const std::int64_t size : sizes_) {
        need_.push_back(TargetOf(limit - size));
        single_.push_back(KindOf(limit - size));
        twin_.push_back(KindOf(limit - 2 * size));
    }
    free_.assign(Kinds(), 0);
    for (std::size_t kind = 0; kind < Kinds(); ++kind)
        for (std::size_t count = 0; count < items_[kind].size(); ++count) Give(kind);
}

bool ExactFillSearch::Applies(const std::vector<std::int64_t>& sizes, std::int64_t limit) {
    if (sizes.empty() || limit <= 0) return false;
    std::int64_t sum = 0;
    for (const std::int64_t size : sizes) {
        if (size > limit || size <= limit / 4) return false;
        sum += size;
    }
    return sum % limit == 0;
}

bool ExactFillSearch::Run(Packing& packing) {
    if (Discrepancies()) {
        packing = bins_;
        return true;
    }
    if (exhausted_) return false;
    const std::int64_t bins = freeCount_ / 3 + 1;
    for (int round = 0; !exhausted_; ++round) {
        random_.seed(static_cast<std::uint64_t>(round));
        // A search that got lost costs a few times the bins; each round allows more.
        nodeLimit_ = round < kRestarts ? bins * 4 + (bins << (round / 2)) : INT64_MAX;
        nodes_ = 0;
        restart_ = false;
        if (Place()) {
            packing = bins_;
            return true;
        }
        if (!restart_) {
            proven_ = !exhausted_;
            return false;
        }
    }
    return false;
}

bool ExactFillSearch::Discrepancies() {
    orderedUntil_ = budget_.Used() + budget_.Remaining() * kOrderedShare / 16;
    nodeLimit_ = INT64_MAX;
    for (int allowed = 0; allowed <= kMostDiscrepancies; ++allowed) {
        discrepancies_ = allowed;
        restart_ = false;
        if (Place()) return true;
        if (restart_ || exhausted_) break;
    }
    discrepancies_ = -1;
    return false;
}

std::size_t ExactFillSearch::KindOf(std::int64_t size) const {
    const auto at = std::lower_bound(sizes_.begin(), sizes_.end(), size, std::greater<>());
    return at != sizes_.end() && *at == size ? static_cast<std::size_t>(at - sizes_.begin()) : Kinds();
}

std::size_t ExactFillSearch::TargetOf(std::int64_t sum) const {
    const auto at = std::lower_bound(targets_.begin(), targets_.end(), sum);
    return at != targets_.end() && *at == sum ? static_cast<std::size_t>(at - targets_.begin())
                                              : targets_.size();
}

void ExactFillSearch::Take(std::size_t kind) {
    --free_[kind];
    --freeCount_;
    CountPairs(kind, -1);
}

void ExactFillSearch::Give(std::size_t kind) {
    CountPairs(kind, 1);
    ++free_[kind];
    ++freeCount_;
}

// The sums with kind rise as the other kinds get smaller, so one walk along the targets finds them all.
void ExactFillSearch::CountPairs(std::size_t kind, std::int64_t sign) {
    budget_.Spend(static_cast<std::int64_t>(Kinds()));
    std::size_t target = 0;
    for (std::size_t other = Kinds(); other-- > 0;) {
        if (free_[other] == 0) continue;
        const std::int64_t sum = sizes_[kind] + sizes_[other];
        while (target < targets_.size() && targets_[target] < sum) ++target;
        if (target == targets_.size()) break;
        if (targets_[target] == sum) pairs_[target] += sign * free_[other];
    }
}

std::int64_t ExactFillSearch::Ways(std::size_t kind) const {
    if (sizes_[kind] == limit_) return 1;
    const auto others = [&](std::size_t of) { return of == Kinds() ? 0 : free_[of] - (of == kind ? 1 : 0); };
    // Pairs that would use this very item do not count.
    return others(single_[kind]) + pairs_[need_[kind]] - others(twin_[kind]);
}

bool ExactFillSearch::Place() {
    if (freeCount_ == 0) return true;
    if (!budget_.Spend(static_cast<std::int64_t>(Kinds()))) exhausted_ = true;
    if (++nodes_ > nodeLimit_ || (discrepancies_ >= 0 && budget_.Used() > orderedUntil_)) restart_ = true;
    if (exhausted_ || restart_) return false;
    std::size_t chosen = Kinds();
    std::int64_t fewest = 0;
    std::uint64_t ties = 0;
    for (std::size_t kind = 0; kind < Kinds(); ++kind) {
        if (free_[kind] == 0) continue;
        const std::int64_t ways = Ways(kind);
        if (chosen == Kinds() || ways < fewest) {
            chosen = kind;
            fewest = ways;
            ties = 1;
        } else if (ways == fewest && discrepancies_ < 0 && random_() % ++ties == 0) {
            chosen = kind;
        }
        if (fewest == 0) return false;
    }
    Take(chosen);
    const std::int64_t room = limit_ - sizes_[chosen];
    // Ways to fill the bin as (second, third) kinds; Kinds() for none.
    std::vector<std::pair<std::size_t, std::size_t>> ways;
    if (room == 0) ways.emplace_back(Kinds(), Kinds());
    const std::size_t single = KindOf(room);
    if (single < Kinds() && free_[single] > 0) ways.emplace_back(single, Kinds());
    for (std::size_t first = 0; first < Kinds(); ++first) {
        if (free_[first] == 0 || sizes_[first] >= room) continue;
        const std::size_t second = KindOf(room - sizes_[first]);
        if (second == Kinds() || second < first || free_[second] < (second == first ? 2 : 1)) continue;
        ways.emplace_back(first, second);
    }
    if (discrepancies_ < 0) {
        std::shuffle(ways.begin(), ways.end(), random_);
    } else {
        const auto partners = [&](const std::pair<std::size_t, std::size_t>& way) {
            std::int64_t sum = 0;
            for (const std::size_t other : {way.first, way.second})
                if (other != Kinds()) sum += Ways(other);
            return sum;
        };
        std::vector<std::pair<std::int64_t, std::pair<std::size_t, std::size_t>>> scored;
        for (const auto& way : ways) scored.emplace_back(partners(way), way);
        std::stable_sort(scored.begin(), scored.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        for (std::size_t i = 0; i < ways.size(); ++i) ways[i] = scored[i].second;
    }
    bool done = false;
    for (std::size_t i = 0; i < ways.size() && !done && !exhausted_ && !restart_; ++i) {
        // Any but the first way is a discrepancy, given back when the search returns to this bin.
        const bool discrepancy = discrepancies_ >= 0 && i > 0;
        if (discrepancy && discrepancies_-- == 0) {
            discrepancies_ = 0;
            break;
        }
        done = Close(chosen, ways[i].first, ways[i].second);
        if (discrepancy) ++discrepancies_;
    }
    if (!done) Give(chosen);
    return done;
}

// The chosen item's kind is taken already; takes the others, records the bin and goes on.
bool ExactFillSearch::Close(std::size_t kind, std::size_t second, std::size_t third) {
    std::vector<std::int32_t> bin{items_[kind][static_cast<std::size_t>(free_[kind])]};
    for (const std::size_t other : {second, third}) {
        if (other == Kinds()) continue;
        Take(other);
        bin.push_back(items_[other][static_cast<std::size_t>(free_[other])]);
    }
    bins_.push_back(std::move(bin));
    if (Place()) return true;
    bins_.pop_back();
    for (const std::size_t other : {third, second})
        if (other != Kinds()) Give(other);
    return false;
}

}  // namespace drovalin
