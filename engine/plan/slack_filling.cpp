#include "plan/slack_filling.h"

#include <algorithm>

namespace drovalin {
namespace {

constexpr std::int64_t kBinSteps = 20'000;

}  // namespace

SlackFilling::SlackFilling(const std::vector<std::int64_t>& sizes, std::int64_t limit, StepBudget& budget)
    : sizes_(sizes), limit_(limit), free_(sizes), budget_(budget) {}

Packing SlackFilling::Run() {
    Packing bins;
    while (free_.First() != free_.End()) {
        const std::int32_t first = free_.First();
        free_.Take(first);
        best_.assign(1, first);
        chosen_.assign(1, first);
        bestRoom_ = limit_ - Size(first);
        binSteps_ = 0;
        binStepLimit_ = budget_.Left() ? kBinSteps : 0;
        Fill(first + 1, bestRoom_);
        budget_.Spend(binSteps_);
        for (std::size_t i = 1; i < best_.size(); ++i) free_.Take(best_[i]);
        std::sort(best_.begin(), best_.end());
        bins.push_back(best_);
    }
    return bins;
}

// Items are not taken while they are tried: chosen_ holds them, and later candidates come after them.
void SlackFilling::Fill(std::int32_t from, std::int64_t room) {
    if (room < bestRoom_) {
        bestRoom_ = room;
        best_ = chosen_;
    }
    std::int64_t largest = room;  // the largest size still worth trying here
    for (std::int32_t candidate = free_.FirstFitting(from, largest);
         candidate != free_.End() && bestRoom_ > 0; candidate = free_.FirstFitting(from, largest)) {
        if (room - free_.SumFrom(candidate) >= bestRoom_) break;
        const std::int32_t smallest = free_.Last();
        const bool fuller = room - Size(candidate) < bestRoom_;
        const bool leavesRoom = smallest > candidate && Size(candidate) + Size(smallest) <= room;
        if (!fuller && !leavesRoom) {
            // Smaller candidates leave more room still; only those that leave room for another may help.
            if (smallest <= candidate) break;
            largest = room - Size(smallest);
            from = candidate + 1;
            continue;
        }
        chosen_.push_back(candidate);
        Fill(candidate + 1, room - Size(candidate));
        chosen_.pop_back();
        if (++binSteps_ > binStepLimit_) break;
        from = free_.AfterEqual(candidate);
    }
}

}  // namespace drovalin
