#include "plan/exact_fill_repair.h"

#include <algorithm>
#include <functional>

namespace drovalin {
namespace {

// One move in this many takes any way to fill the bin rather than one that empties the fewest bins.
constexpr std::uint64_t kNoise = 10;
// Steps charged per item or kind a move looks at, with the copies of its kind.
constexpr std::int64_t kStepsPerKind = 4;

}  // namespace

ExactFillRepair::ExactFillRepair(const std::vector<std::int64_t>& sizes, std::int64_t limit,
                                 StepBudget& budget)
    : limit_(limit), budget_(budget), sizes_(sizes), kinds_(sizes) {
    binOf_.assign(sizes.size(), kNone);
    freeAt_.assign(sizes.size(), kNone);
    for (std::size_t i = 0; i < sizes.size(); ++i) Free(static_cast<std::int32_t>(i));
}

bool ExactFillRepair::Run(Packing& packing) {
    while (!free_.empty()) {
        if (!budget_.Spend(static_cast<std::int64_t>(free_.size()) * kStepsPerKind)) return false;
        Move(free_[random_() % free_.size()]);
    }
    packing.clear();
    for (const auto& bin : bins_)
        if (!bin.empty()) packing.push_back(bin);
    return true;
}

std::int32_t ExactFillRepair::CopyOf(std::size_t kind, std::int32_t avoid1, std::int32_t avoid2) {
    std::int32_t chosen = kNone;
    for (const std::int32_t item : kinds_.items[kind]) {
        if (item == avoid1 || item == avoid2) continue;
        if (binOf_[static_cast<std::size_t>(item)] == kNone) return item;
        if (chosen == kNone || random_() % 2 == 0) chosen = item;
    }
    return chosen;
}

void ExactFillRepair::Free(std::int32_t item) {
    binOf_[static_cast<std::size_t>(item)] = kNone;
    freeAt_[static_cast<std::size_t>(item)] = static_cast<std::int32_t>(free_.size());
    free_.push_back(item);
}

void ExactFillRepair::Unfree(std::int32_t item) {
    const std::int32_t at = freeAt_[static_cast<std::size_t>(item)];
    if (at == kNone) return;
    free_[static_cast<std::size_t>(at)] = free_.back();
    freeAt_[static_cast<std::size_t>(free_.back())] = at;
    free_.pop_back();
    freeAt_[static_cast<std::size_t>(item)] = kNone;
}

void ExactFillRepair::EmptyBin(std::int32_t bin) {
    for (const std::int32_t item : bins_[static_cast<std::size_t>(bin)]) Free(item);
    bins_[static_cast<std::size_t>(bin)].clear();
    spareBins_.push_back(bin);
}

void ExactFillRepair::Move(std::int32_t item) {
    const std::int64_t room = limit_ - sizes_[static_cast<std::size_t>(item)];
    std::vector<Way> ways;
    const auto add = [&](std::int32_t second, std::int32_t third) {
        const std::int32_t a = second == kNone ? kNone : binOf_[static_cast<std::size_t>(second)];
        const std::int32_t b = third == kNone ? kNone : binOf_[static_cast<std::size_t>(third)];
        ways.push_back({second, third, (a != kNone) + (b != kNone && b != a)});
    };
    const bool anyWay = random_() % kNoise == 0;
    if (!anyWay) {
        // Usually a free item completes the bin, so the free items are looked at first; every kind is
        // looked at only when none does.
        if (room == 0) add(kNone, kNone);
        for (const std::int32_t partner : free_) {
            if (partner == item) continue;
            const std::int64_t rest = room - sizes_[static_cast<std::size_t>(partner)];
            if (rest == 0) {
                add(partner, kNone);
                continue;
            }
            const std::size_t kind = kinds_.Of(rest);
            if (rest < 0 || kind == kinds_.Count()) continue;
            const std::int32_t third = CopyOf(kind, item, partner);
            if (third != kNone) add(partner, third);
        }
    }
    if (ways.empty()) {
        if (room == 0) add(kNone, kNone);
        const std::size_t single = kinds_.Of(room);
        if (single < kinds_.Count()) {
            const std::int32_t copy = CopyOf(single, item, kNone);
            if (copy != kNone) add(copy, kNone);
        }
        for (std::size_t first = 0; first < kinds_.Count(); ++first) {
            if (kinds_.kindSizes[first] >= room) continue;
            const std::size_t second = kinds_.Of(room - kinds_.kindSizes[first]);
            if (second == kinds_.Count() || second < first) continue;
            const std::int32_t a = CopyOf(first, item, kNone);
            const std::int32_t b = a == kNone ? kNone : CopyOf(second, item, a);
            if (b != kNone) add(a, b);
        }
        budget_.Spend(static_cast<std::int64_t>(kinds_.Count()) * kStepsPerKind);
    }
    if (ways.empty()) return;
    std::size_t pick = 0;
    if (anyWay) {
        pick = random_() % ways.size();
    } else {
        std::uint64_t ties = 0;
        for (std::size_t i = 0; i < ways.size(); ++i) {
            if (ways[i].emptied < ways[pick].emptied) {
                pick = i;
                ties = 1;
            } else if (ways[i].emptied == ways[pick].emptied && random_() % ++ties == 0) {
                pick = i;
            }
        }
    }
    std::vector<std::int32_t> bin{item};
    for (const std::int32_t other : {ways[pick].second, ways[pick].third}) {
        if (other == kNone) continue;
        const std::int32_t from = binOf_[static_cast<std::size_t>(other)];
        if (from != kNone) EmptyBin(from);
        bin.push_back(other);
    }
    std::int32_t slot;
    if (spareBins_.empty()) {
        slot = static_cast<std::int32_t>(bins_.size());
        bins_.emplace_back();
    } else {
        slot = spareBins_.back();
        spareBins_.pop_back();
    }
    for (const std::int32_t placed : bin) {
        Unfree(placed);
        binOf_[static_cast<std::size_t>(placed)] = slot;
    }
    bins_[static_cast<std::size_t>(slot)] = std::move(bin);
}

}  // namespace drovalin
