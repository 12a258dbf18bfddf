#include "plan/pool_fill_search.h"

#include <algorithm>
#include <limits>

#include "plan/completion_search.h"

namespace drovalin {
namespace {

// The bins the pool must fit in the end; more would let the pool hold more, but packing it gets dearer.
constexpr std::int64_t kPoolBins = 2;
// Moves an item stays where it was put.
constexpr std::int64_t kTenure = 7;
// Bin completion's steps for the pool, whenever it adds up to little enough.
constexpr std::int64_t kPoolPackSteps = 20'000;
// Bins looked at per move, a run of them from a random one: on large folders a move that looks at every
// bin would take more steps than the search has.
constexpr std::size_t kBinsPerMove = 64;

std::size_t At(std::int32_t index) { return static_cast<std::size_t>(index); }

}  // namespace

PoolFillSearch::PoolFillSearch(const std::vector<std::int64_t>& sizes, std::int64_t limit, StepBudget& budget)
    : sizes_(sizes), limit_(limit), budget_(budget) {
    movedAt_.assign(sizes.size(), std::numeric_limits<std::int64_t>::min() / 2);
}

bool PoolFillSearch::Run(const Packing& start, std::int64_t bins, Packing& packing) {
    if (bins <= kPoolBins) return false;
    std::vector<std::int64_t> loads;
    for (const auto& bin : start) {
        std::int64_t load = 0;
        for (const std::int32_t item : bin) load += Size(item);
        loads.push_back(load);
    }
    std::vector<std::size_t> order(start.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return loads[a] > loads[b]; });
    if (!budget_.Spend(static_cast<std::int64_t>(sizes_.size() + start.size()))) return false;
    for (std::size_t k = 0; k < order.size(); ++k) {
        if (static_cast<std::int64_t>(k) < bins - kPoolBins) {
            bins_.push_back(start[order[k]]);
            loads_.push_back(loads[order[k]]);
            continue;
        }
        for (const std::int32_t item : start[order[k]]) {
            pool_.push_back(item);
            poolSize_ += Size(item);
        }
    }
    while (!PoolFits(packing)) {
        Move move;
        if (!BestMove(move) || move.bin < 0) return false;
        Apply(move);
    }
    return true;
}

bool PoolFillSearch::BestMove(Move& best) {
    const auto poolCount = static_cast<std::int32_t>(pool_.size());
    std::uint64_t ties = 0;
    const std::size_t looked = std::min(bins_.size(), kBinsPerMove);
    const std::size_t start = looked < bins_.size() ? random_() % bins_.size() : 0;
    for (std::size_t k = 0; k < looked; ++k) {
        const std::size_t bin = (start + k) % bins_.size();
        const std::vector<std::int32_t>& items = bins_[bin];
        const auto count = static_cast<std::int32_t>(items.size());
        if (!budget_.Spend(
                static_cast<std::int64_t>(poolCount + 1) * poolCount * (count + 1) * (count + 2) / 4 + 1))
            return false;
        // A second place at the end stands for no second item; out1 at -1 for none at all.
        for (std::int32_t in1 = 0; in1 < poolCount; ++in1) {
            for (std::int32_t in2 = in1 + 1; in2 <= poolCount; ++in2) {
                const std::int64_t in = Size(pool_[At(in1)]) + (in2 < poolCount ? Size(pool_[At(in2)]) : 0);
                for (std::int32_t out1 = -1; out1 < count; ++out1) {
                    for (std::int32_t out2 = out1 < 0 ? count : out1 + 1; out2 <= count; ++out2) {
                        const std::int32_t first = out1 >= 0 ? items[At(out1)] : -1;
                        const std::int32_t second = out2 < count ? items[At(out2)] : -1;
                        const std::int64_t gain =
                            in - (first >= 0 ? Size(first) : 0) - (second >= 0 ? Size(second) : 0);
                        if (gain == 0 || loads_[bin] + gain > limit_) continue;
                        if (best.bin >= 0 && gain < best.gain) continue;
                        if ((first >= 0 && movedAt_[At(first)] + kTenure > moves_) ||
                            (second >= 0 && movedAt_[At(second)] + kTenure > moves_))
                            continue;
                        if (best.bin < 0 || gain > best.gain)
                            ties = 1;
                        else if (random_() % ++ties != 0)
                            continue;
                        best = {static_cast<std::int32_t>(bin),
                                in1,
                                in2 < poolCount ? in2 : -1,
                                first,
                                second,
                                gain};
                    }
                }
            }
        }
    }
    return true;
}

void PoolFillSearch::Apply(const Move& move) {
    ++moves_;
    std::vector<std::int32_t>& items = bins_[At(move.bin)];
    std::vector<std::int32_t> pool;
    for (std::size_t place = 0; place < pool_.size(); ++place) {
        const auto at = static_cast<std::int32_t>(place);
        if (at == move.in1 || at == move.in2) {
            items.push_back(pool_[place]);
            movedAt_[At(pool_[place])] = moves_;
        } else {
            pool.push_back(pool_[place]);
        }
    }
    for (const std::int32_t item : {move.out1, move.out2}) {
        if (item < 0) continue;
        items.erase(std::find(items.begin(), items.end(), item));
        pool.push_back(item);
        movedAt_[At(item)] = moves_;
    }
    pool_ = std::move(pool);
    loads_[At(move.bin)] += move.gain;
    poolSize_ -= move.gain;
}

bool PoolFillSearch::PoolFits(Packing& packing) {
    if (poolSize_ > kPoolBins * limit_) return false;
    std::vector<std::int32_t> order = pool_;
    std::sort(order.begin(), order.end(), [&](std::int32_t a, std::int32_t b) { return Size(a) > Size(b); });
    std::vector<std::int64_t> sizes;
    for (const std::int32_t item : order) sizes.push_back(Size(item));
    StepBudget steps(budget_, kPoolPackSteps);
    Packing rest;
    if (!CompletionSearch(sizes, limit_, steps).Run(kPoolBins, rest)) return false;
    packing = bins_;
    for (const auto& bin : rest) {
        packing.emplace_back();
        for (const std::int32_t item : bin) packing.back().push_back(order[At(item)]);
    }
    return true;
}

}  // namespace drovalin
