#include "plan/count_filling.h"

#include <algorithm>
#include <map>
#include <numeric>

#include "plan/balanced_filling.h"
#include "plan/rank_block_filling.h"

namespace drovalin {
namespace {

// Fewer bins are tried until this many tries in a row save nothing.
constexpr int kPatience = 3;

// At most one item in this many may be left out of the count: half, as a file of subtitles beside each
// video.
constexpr std::size_t kSmallShare = 2;

// How many of the items, largest first, are over limit / parts.
std::size_t Over(const std::vector<std::int64_t>& sizes, std::int64_t limit, std::int64_t parts) {
    return static_cast<std::size_t>(
        std::partition_point(sizes.begin(), sizes.end(),
                             [&](std::int64_t size) { return parts * size > limit; }) -
        sizes.begin());
}

}  // namespace

bool CountFilling::Applies(const std::vector<std::int64_t>& sizes, std::int64_t limit,
                           const CountBound& counts) {
    const CountShape shape = counts.Best();
    if (sizes.empty() || shape.bins == 0 || sizes.front() > limit) return false;
    const std::size_t large = Over(sizes, limit, shape.parts);
    return large > 0 && kSmallShare * (sizes.size() - large) <= sizes.size();
}

CountFilling::CountFilling(const std::vector<std::int64_t>& sizes, std::int64_t limit,
                           const CountBound& counts, StepBudget& budget)
    : sizes_(sizes),
      limit_(limit),
      counts_(counts),
      shape_(counts.Best()),
      large_(Over(sizes, limit, shape_.parts)),
      budget_(budget) {}

Packing CountFilling::Run() {
    // Fewer full bins where the bound has any, each with as many bins of one fewer as fit beside them; else
    // fewer bins of one fewer.
    const bool byFulls = shape_.fulls > 0;
    const std::int64_t start = byFulls ? shape_.fulls : shape_.fewers;
    const std::int64_t step = std::max<std::int64_t>(1, start / 1000);
    Packing best;
    const auto keep = [&](Packing packed) {
        const bool fewer = !packed.empty() && (best.empty() || packed.size() < best.size());
        if (fewer) best = std::move(packed);
        return fewer;
    };
    const auto filling = [&](std::int64_t count, bool level, StepBudget& budget) {
        const std::int64_t fewers =
            byFulls ? std::max<std::int64_t>(0, counts_.MostFewers(shape_.parts, shape_.full, count)) : count;
        return WithShape(byFulls ? count : 0, fewers, level, budget);
    };
    // Level bins from the bound's count down until they fit, then the counts skipped above that one. Where
    // the smallest items leave no room at all beside the bound's bins, they fit only when exactly full,
    // which the exact searches find and this would not.
    const std::size_t levelled =
        std::min(large_, static_cast<std::size_t>((byFulls ? shape_.full : shape_.full - 1) * start));
    const std::int64_t room =
        start * limit_ - std::accumulate(sizes_.begin() + static_cast<std::ptrdiff_t>(large_ - levelled),
                                         sizes_.begin() + static_cast<std::ptrdiff_t>(large_),
                                         std::int64_t{0});
    if (room > 0) {
        StepBudget level(budget_, budget_.Remaining() / 2);
        std::int64_t fitted = -1;
        for (std::int64_t tries = 0; tries < kLevelTries && tries * step <= start && level.Left(); ++tries) {
            if (keep(filling(start - tries * step, true, level))) {
                fitted = start - tries * step;
                break;
            }
        }
        // Halving the counts skipped: level bins that fit at a count nearly always fit at a lower one.
        for (std::int64_t fits = fitted, over = std::min(start + 1, fitted + step);
             fitted >= 0 && over - fits > 1;) {
            const std::int64_t count = fits + (over - fits) / 2;
            Packing packed = filling(count, true, level);
            if (packed.empty() && !level.Left()) break;
            (packed.empty() ? over : fits) = count;
            keep(std::move(packed));
        }
        if (budget_.Cancelled() || (!best.empty() && static_cast<std::int64_t>(best.size()) <= shape_.bins))
            return best;
    }
    // Patience counts against the balanced fillings' own fewest, which the level bins may have beaten.
    int idle = 0;
    std::size_t fewest = 0;
    for (std::int64_t tries = 0; tries < kFillings && idle < kPatience && tries * step <= start; ++tries) {
        Packing packed = filling(start - tries * step, false, budget_);
        if (packed.empty()) break;
        idle = fewest == 0 || packed.size() < fewest ? 0 : idle + 1;
        fewest = fewest == 0 ? packed.size() : std::min(fewest, packed.size());
        keep(std::move(packed));
    }
    return best;
}

// Of the items counted, the smallest full * fulls and the next (full - 1) * fewers each in level bins or by
// the balanced filling, the others by first-fit decreasing; then the smaller items. Empty where the budget
// ran out or a level bin would overflow.
Packing CountFilling::WithShape(std::int64_t fulls, std::int64_t fewers, bool level, StepBudget& budget) {
    const auto end = static_cast<std::ptrdiff_t>(large_);
    const auto middle = end - static_cast<std::ptrdiff_t>(shape_.full * fulls);
    const auto split = middle - static_cast<std::ptrdiff_t>((shape_.full - 1) * fewers);
    Packing packed;
    for (const auto& [from, to] : {std::pair{middle, end}, std::pair{split, middle}}) {
        if (from == to) continue;
        const std::vector<std::int64_t> part(sizes_.begin() + from, sizes_.begin() + to);
        const auto perBin = static_cast<std::size_t>(from == middle ? shape_.full : shape_.full - 1);
        Packing filled = level ? RankBlockFilling(part, limit_, perBin).Run(budget)
                               : BalancedFilling(part, limit_, false, budget).Run();
        if (filled.empty()) return {};
        for (auto& bin : filled) {
            for (auto& item : bin) item += static_cast<std::int32_t>(from);
            packed.push_back(std::move(bin));
        }
    }
    const std::vector<std::int64_t> larger(sizes_.begin(), sizes_.begin() + split);
    for (auto& bin : FirstFitDecreasing(larger, limit_)) packed.push_back(std::move(bin));
    AddSmall(packed);
    return packed;
}

void CountFilling::AddSmall(Packing& bins) const {
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
