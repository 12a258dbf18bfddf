#include "plan/completion_search.h"

namespace drovalin {

CompletionSearch::CompletionSearch(const std::vector<std::int64_t>& sizes, std::int64_t limit,
                                   StepBudget& budget)
    : sizes_(sizes), limit_(limit), free_(sizes), budget_(budget) {}

bool CompletionSearch::Run(std::int64_t bins, Packing& packing) {
    const std::int64_t waste = bins * limit_ - free_.SumFrom(0);
    if (waste < 0 || !OpenBin(bins, waste)) return false;
    packing = bins_;
    return true;
}

bool CompletionSearch::OpenBin(std::int64_t binsLeft, std::int64_t wasteLeft) {
    const std::int32_t first = free_.First();
    if (first == free_.End()) return true;
    if (binsLeft == 0) return false;
    free_.Take(first);
    bins_.push_back({first});
    const bool done = Extend(first + 1, limit_ - Size(first), binsLeft, wasteLeft);
    if (!done) {
        bins_.pop_back();
        free_.Give(first);
    }
    return done;
}

// Adds free items from index from on to the open bin, which has room left; accepts the bin once nothing
// more fits.
bool CompletionSearch::Extend(std::int32_t from, std::int64_t room, std::int64_t binsLeft,
                              std::int64_t wasteLeft) {
    std::int64_t largest = room;  // the largest size still worth trying here
    for (;;) {
        if (!budget_.Spend(1)) {
            exhausted_ = true;
            return false;
        }
        const std::int32_t candidate = free_.FirstFitting(from, largest);
        const std::int32_t smallest = free_.Last();
        if (candidate == free_.End()) {
            // Maximal only when no free item fits any more, not even one passed over.
            if (smallest != free_.End() && Size(smallest) <= room) return false;
            if (room > wasteLeft) return false;
            return OpenBin(binsLeft - 1, wasteLeft - room);
        }
        const bool ends = room - Size(candidate) <= wasteLeft;
        const bool leavesRoom = smallest != candidate && Size(candidate) + Size(smallest) <= room;
        if (!ends && !leavesRoom) {
            // Smaller candidates cannot end the bin either; only those that leave room for another may help.
            if (smallest == candidate || room - Size(smallest) < 0) return false;
            largest = room - Size(smallest);
            from = candidate + 1;
            continue;
        }
        if (room - free_.SumFrom(candidate) > wasteLeft) return false;
        free_.Take(candidate);
        bins_.back().push_back(candidate);
        if (Extend(candidate + 1, room - Size(candidate), binsLeft, wasteLeft)) return true;
        bins_.back().pop_back();
        free_.Give(candidate);
        if (exhausted_) return false;
        from = free_.AfterEqual(candidate);
    }
}

}  // namespace drovalin
