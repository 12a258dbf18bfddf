#include "plan/exact_fill_walk.h"

#include <algorithm>
#include <functional>

namespace drovalin {
namespace {

std::size_t At(std::int32_t index) { return static_cast<std::size_t>(index); }

// While the pool holds fewer items than this, one step in kBreakOdds breaks two bins up rather than
// swapping: swaps alone keep a small pool among a few states. A larger pool with at most kThinSwaps swaps
// breaks up one step in kThinBreakOdds.
constexpr std::size_t kBreakPool = 9;
constexpr std::uint64_t kBreakOdds = 10;
constexpr std::size_t kThinSwaps = 2;
constexpr std::uint64_t kThinBreakOdds = 5;
// Random pairs of a pool item and a packed item tried for a new bin before a bin is simply emptied.
constexpr int kBreakTries = 200;
// Swaps drawn per step, the one whose released items belong to the most sets taken: items that fit in
// many ways make a pool that packs sooner.
constexpr int kSwapDraws = 4;

}  // namespace

ExactFillWalk::ExactFillWalk(const std::vector<std::int64_t>& sizes, std::int64_t limit, StepBudget& budget)
    : limit_(limit), budget_(budget), sizes_(sizes), kinds_(sizes) {
    binOf_.assign(sizes.size(), kNone);
    poolAt_.assign(sizes.size(), kNone);
}

std::int32_t ExactFillWalk::KindOf(std::int64_t size) const {
    const std::size_t kind = kinds_.Of(size);
    return kind == kinds_.Count() ? kNone : static_cast<std::int32_t>(kind);
}

std::int32_t ExactFillWalk::CopyOf(std::int32_t kind, bool pooled, std::int32_t avoid1, std::int32_t avoid2,
                                   std::int32_t avoidBin) {
    if (kind == kNone) return kNone;
    for (const std::int32_t item : kinds_.items[At(kind)]) {
        if (item == avoid1 || item == avoid2) continue;
        const std::int32_t bin = binOf_[At(item)];
        if (pooled ? poolAt_[At(item)] != kNone : bin >= fixedBins_ && bin != avoidBin) return item;
    }
    return kNone;
}

void ExactFillWalk::Pool(std::int32_t item) {
    binOf_[At(item)] = kNone;
    poolAt_[At(item)] = static_cast<std::int32_t>(pool_.size());
    pool_.push_back(item);
    fresh_.push_back(item);
}

void ExactFillWalk::Unpool(std::int32_t item) {
    const std::int32_t at = poolAt_[At(item)];
    pool_[At(at)] = pool_.back();
    poolAt_[At(pool_.back())] = at;
    pool_.pop_back();
    poolAt_[At(item)] = kNone;
}

void ExactFillWalk::Dissolve(std::int32_t bin, std::int32_t keep) {
    for (const std::int32_t item : bins_[At(bin)]) {
        if (item == keep)
            binOf_[At(item)] = kNone;
        else
            Pool(item);
    }
    bins_[At(bin)].clear();
    spareBins_.push_back(bin);
}

std::int32_t ExactFillWalk::NewBin(std::initializer_list<std::int32_t> items) {
    std::int32_t bin;
    if (spareBins_.empty()) {
        bin = static_cast<std::int32_t>(bins_.size());
        bins_.emplace_back();
    } else {
        bin = spareBins_.back();
        spareBins_.pop_back();
    }
    for (const std::int32_t item : items) {
        if (item == kNone) continue;
        if (poolAt_[At(item)] != kNone) Unpool(item);
        binOf_[At(item)] = bin;
        bins_[At(bin)].push_back(item);
    }
    return bin;
}

std::int64_t ExactFillWalk::Released(const Swap& swap) const {
    std::int64_t sum = 0;
    for (const std::int32_t item : bins_[At(binOf_[At(swap.partner)])])
        if (item != swap.partner) sum += sets_[At(item)];
    return sum;
}

bool ExactFillWalk::CountSets() {
    // Items of one kind share their count: kinds squared steps, not items squared, where sizes repeat.
    const std::vector<std::int64_t>& kindSizes = kinds_.kindSizes;
    const auto kinds = static_cast<std::ptrdiff_t>(kindSizes.size());
    std::vector<std::int64_t> perKind(kindSizes.size(), 0);
    for (std::size_t a = 0; a < kindSizes.size(); ++a) {
        if (!budget_.Spend(kinds)) return false;
        // As the second item shrinks, the size a third would need grows: the kinds, largest first, are
        // met from the back.
        std::ptrdiff_t kind = kinds - 1;
        for (std::size_t b = 0; b < kindSizes.size(); ++b) {
            const std::int64_t rest = limit_ - kindSizes[a] - kindSizes[b];
            if (rest < 0) continue;
            while (kind >= 0 && kindSizes[static_cast<std::size_t>(kind)] < rest) --kind;
            if (rest != 0 && (kind < 0 || kindSizes[static_cast<std::size_t>(kind)] != rest)) continue;
            perKind[a] += static_cast<std::int64_t>(kinds_.items[b].size()) - (a == b ? 1 : 0);
        }
    }
    sets_.resize(sizes_.size());
    for (std::size_t i = 0; i < sizes_.size(); ++i) sets_[i] = perKind[At(kinds_.kindOf[i])];
    return true;
}

bool ExactFillWalk::Run(Packing& packing) {
    for (std::size_t i = 0; i < sizes_.size(); ++i) closestRest_.push_back(static_cast<std::int32_t>(i));
    if (!CountSets()) return false;
    for (std::size_t i = 0; i < sizes_.size(); ++i) Pool(static_cast<std::int32_t>(i));
    std::shuffle(fresh_.begin(), fresh_.end(), random_);
    // Items of exactly a quarter fill bins four at a time, set aside for good: otherwise the pool would
    // need four of them at once to ever empty.
    const std::int32_t quarter = limit_ % 4 == 0 ? KindOf(limit_ / 4) : kNone;
    if (quarter != kNone) {
        const auto& copies = kinds_.items[At(quarter)];
        for (std::size_t i = 0; i + 4 <= copies.size(); i += 4)
            NewBin({copies[i], copies[i + 1], copies[i + 2], copies[i + 3]});
        fixedBins_ = static_cast<std::int32_t>(copies.size() / 4);
    }
    while (!pool_.empty()) {
        if (!budget_.Spend(1)) return false;
        if (!fresh_.empty() && PackFromPool()) continue;
        if (pool_.size() < closestRest_.size()) KeepIfClosest();
        ListSwaps();
        const bool breakUp =
            swaps_.empty() ||
            (pool_.size() < kBreakPool ? random_() % kBreakOdds == 0
                                       : swaps_.size() <= kThinSwaps && random_() % kThinBreakOdds == 0);
        if (!breakUp) {
            Swap swap = swaps_[random_() % swaps_.size()];
            for (int draw = 1; draw < kSwapDraws; ++draw) {
                const Swap other = swaps_[random_() % swaps_.size()];
                if (Released(other) > Released(swap)) swap = other;
            }
            Dissolve(binOf_[At(swap.partner)], swap.partner);
            lastBin_ = NewBin({swap.first, swap.second, swap.partner});
        } else if (!Break()) {
            if (pool_.size() + 4 * static_cast<std::size_t>(fixedBins_) == sizes_.size()) return false;
            // Nothing to swap or break up: a random bin's items join the pool.
            std::int32_t item = kNone;
            while (item == kNone || binOf_[At(item)] < fixedBins_)
                item = static_cast<std::int32_t>(random_() % sizes_.size());
            Dissolve(binOf_[At(item)], kNone);
            lastBin_ = kNone;
        }
    }
    packing = Result();
    return true;
}

bool ExactFillWalk::PackFromPool() {
    std::vector<std::int32_t> fresh;
    fresh.swap(fresh_);
    bool packed = false;
    for (const std::int32_t first : fresh) {
        if (poolAt_[At(first)] == kNone) continue;
        const std::int64_t room = limit_ - sizes_[At(first)];
        if (room == 0) {
            NewBin({first});
            packed = true;
            continue;
        }
        const std::size_t start = random_() % pool_.size();
        std::size_t k = 0;
        for (; k < pool_.size(); ++k) {
            const std::int32_t second = pool_[(start + k) % pool_.size()];
            if (second == first) continue;
            const std::int64_t rest = room - sizes_[At(second)];
            if (rest < 0) continue;
            const std::int32_t third = rest == 0 ? kNone : CopyOf(KindOf(rest), true, first, second, kNone);
            if (rest != 0 && third == kNone) continue;
            lastBin_ = NewBin({first, second, third});
            packed = true;
            break;
        }
        // The partners looked at: in a large pool one is found at once.
        if (!budget_.Spend(static_cast<std::int64_t>(k + 1))) break;
    }
    return packed;
}

void ExactFillWalk::ListSwaps() {
    swaps_.clear();
    budget_.Spend(static_cast<std::int64_t>(pool_.size() * pool_.size()));
    const auto add = [&](std::int32_t first, std::int32_t second, std::int64_t need) {
        const std::int32_t kind = KindOf(need);
        if (kind == kNone) return;
        for (const std::int32_t partner : kinds_.items[At(kind)]) {
            const std::int32_t bin = binOf_[At(partner)];
            if (bin >= fixedBins_ && bin != lastBin_) swaps_.push_back({first, second, partner});
        }
    };
    for (std::size_t i = 0; i < pool_.size(); ++i) {
        const std::int64_t room = limit_ - sizes_[At(pool_[i])];
        add(pool_[i], kNone, room);
        for (std::size_t j = i + 1; j < pool_.size(); ++j) {
            const std::int64_t rest = room - sizes_[At(pool_[j])];
            if (rest > 0) add(pool_[i], pool_[j], rest);
        }
    }
}

bool ExactFillWalk::Break() {
    for (int attempt = 0; attempt < kBreakTries; ++attempt) {
        if (!budget_.Spend(1)) return false;
        const std::int32_t first = pool_[random_() % pool_.size()];
        const auto second = static_cast<std::int32_t>(random_() % sizes_.size());
        const std::int32_t secondBin = binOf_[At(second)];
        if (secondBin < fixedBins_) continue;
        const std::int64_t rest = limit_ - sizes_[At(first)] - sizes_[At(second)];
        if (rest < 0) continue;
        const std::int32_t third = rest == 0 ? kNone : CopyOf(KindOf(rest), false, kNone, kNone, secondBin);
        if (rest != 0 && third == kNone) continue;
        Dissolve(secondBin, second);
        if (third != kNone) Dissolve(binOf_[At(third)], third);
        lastBin_ = NewBin({first, second, third});
        return true;
    }
    return false;
}

void ExactFillWalk::KeepIfClosest() {
    if (!budget_.Spend(static_cast<std::int64_t>(sizes_.size()))) return;
    closestBins_ = Result();
    closestRest_ = pool_;
    std::sort(closestRest_.begin(), closestRest_.end());
}

Packing ExactFillWalk::Result() const {
    Packing packing;
    for (const auto& bin : bins_)
        if (!bin.empty()) packing.push_back(bin);
    return packing;
}

}  // namespace drovalin
