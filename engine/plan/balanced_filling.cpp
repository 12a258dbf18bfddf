#include "plan/balanced_filling.h"

#include <algorithm>

namespace drovalin {
namespace {

// Random tries a bin for two partners, and as many for three.
constexpr int kTries = 32;
// The tolerance, in average gaps between neighbouring sizes: below one, large items go with two small
// ones too often; above two, the bins are left needlessly less full.
constexpr double kGaps = 1.5;

}  // namespace

BalancedFilling::BalancedFilling(const std::vector<std::int64_t>& sizes, std::int64_t limit, bool drawn,
                                 StepBudget& budget)
    : sizes_(sizes), limit_(limit), drawn_(drawn), free_(sizes), budget_(budget) {
    if (!sizes.empty())
        tolerance_ = static_cast<std::int64_t>(kGaps * static_cast<double>(sizes.front() - sizes.back()) /
                                               static_cast<double>(sizes.size()));
}

Packing BalancedFilling::Run() {
    Packing bins;
    while (free_.Count() > 0) {
        const std::int32_t first = free_.First();
        free_.Take(first);
        std::vector<std::int32_t> bin{first};
        steps_ = 1;
        Complete(first, limit_ - Size(first), bin);
        if (!budget_.Spend(steps_)) return {};
        bins.push_back(std::move(bin));
    }
    return bins;
}

void BalancedFilling::Consider(std::initializer_list<std::int32_t> items, std::int64_t room) {
    if (room >= bestRoom_) return;
    bestRoom_ = room;
    bestCount_ = 0;
    for (const std::int32_t item : items) best_[bestCount_++] = item;
}

void BalancedFilling::Complete(std::int32_t first, std::int64_t room, std::vector<std::int32_t>& bin) {
    for (std::int32_t largest = free_.First(); largest != free_.End() && room > 3 * Size(largest);
         largest = free_.First(), ++steps_) {
        const std::int32_t item = drawn_ ? free_.Draw(0, 0, Size(largest), random_) : largest;
        free_.Take(item);
        bin.push_back(item);
        room -= Size(item);
    }
    bestCount_ = 0;
    bestRoom_ = room;
    const std::int32_t last = free_.Last();
    const std::int64_t smallest = last == free_.End() ? room + 1 : Size(last);
    if (room >= smallest) {
        const std::int32_t one = free_.FirstFitting(first + 1, room);
        if (one != free_.End()) Consider({one}, room - Size(one));
        // The larger of two partners, then the largest that fits beside it.
        for (int tries = 0; tries < kTries && bestRoom_ > tolerance_; ++tries, ++steps_) {
            const std::int32_t larger = free_.Draw(first + 1, (room + 1) / 2, room - smallest, random_);
            if (larger == free_.End()) break;
            const std::int64_t rest = room - Size(larger);
            const std::int32_t smaller = free_.FirstFitting(larger + 1, rest);
            if (smaller != free_.End()) Consider({larger, smaller}, rest - Size(smaller));
        }
        for (int tries = 0; tries < kTries && bestRoom_ > tolerance_; ++tries, ++steps_) {
            const std::int32_t largest = free_.Draw(first + 1, (room + 2) / 3, room - 2 * smallest, random_);
            if (largest == free_.End()) break;
            const std::int64_t rest = room - Size(largest);
            const std::int32_t middle = free_.Draw(largest + 1, (rest + 1) / 2, rest - smallest, random_);
            if (middle == free_.End()) continue;
            const std::int32_t smaller = free_.FirstFitting(middle + 1, rest - Size(middle));
            if (smaller != free_.End())
                Consider({largest, middle, smaller}, rest - Size(middle) - Size(smaller));
        }
    }
    for (std::size_t i = 0; i < bestCount_; ++i) {
        free_.Take(best_[i]);
        bin.push_back(best_[i]);
    }
    // Whatever room is left: the largest free items that fit, as first-fit decreasing would.
    for (std::int32_t item = free_.FirstFitting(0, bestRoom_); item != free_.End();
         item = free_.FirstFitting(0, bestRoom_), ++steps_) {
        free_.Take(item);
        bin.push_back(item);
        bestRoom_ -= Size(item);
    }
}

}  // namespace drovalin
