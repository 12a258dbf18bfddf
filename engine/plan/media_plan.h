#pragma once

#include <cstdint>
#include <vector>

#include "plan/plan_control.h"
#include "tables/file_table.h"

namespace drovalin {

// One medium of a plan: file-table data rows in table order (largest first) and their total in kilobytes.
struct PlannedMedium {
    std::vector<int> rows;
    std::int64_t total = 0;
};

// Every file of the table that is smaller than the capacity on exactly one medium, each medium's total
// strictly below the capacity; media fullest first.
struct MediaPlan {
    std::int32_t capacity = 0;
    std::vector<PlannedMedium> media;
    std::vector<int> tooLarge;  // rows of the files not smaller than the capacity, in table order
    // The fewest media any plan could use: the fitting files' total over (capacity - 1), rounded up, and one
    // medium as soon as any file fits at all.
    std::int64_t lowerBound = 0;
    // The strongest lower bound the plan could prove (Martello and Toth's L2, or the linear relaxation over
    // the sets that fit on a medium); never below lowerBound. The plan is optimal when it uses this many.
    std::int64_t provenBound = 0;
    std::int64_t firstFitMedia = 0;  // what first-fit decreasing alone needs
    bool cancelled = false;          // stopped on request: the best plan found until then

    bool ProvenOptimal() const { return static_cast<std::int64_t>(media.size()) == provenBound; }
};

// Plans the media for the file table: first-fit decreasing, then searches for fewer media bounded by step
// counts; never more media than first-fit decreasing. The same table and capacity always give the same plan
// unless it is cancelled. With a capacity of 0 or less every file is too large; with 1 only 0 KB files fit.
MediaPlan PlanMedia(const FileTable& files, std::int32_t capacity, const PlanControl& control = {});

}  // namespace drovalin
