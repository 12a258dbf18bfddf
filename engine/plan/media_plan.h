#pragma once

#include <cstdint>
#include <vector>

#include "plan/plan_control.h"
#include "tables/file_table.h"

namespace drovalin {

// One medium of a plan: file-table data rows in table order (largest first), their bytes, and those bytes in
// kilobytes rounded as a file's size is.
struct PlannedMedium {
    std::vector<int> rows;
    std::int64_t bytes = 0;
    std::int64_t total = 0;
};

// Every file of the table whose bytes are below capacity × 1024 on exactly one medium, each medium's bytes
// strictly below capacity × 1024; media fullest first. Kilobytes rounded from bytes may hide up to half a
// kilobyte per file, so only bytes decide what fits.
struct MediaPlan {
    std::int32_t capacity = 0;
    std::vector<PlannedMedium> media;
    std::vector<int> tooLarge;  // rows of the files not smaller than the capacity, in table order
    // The fewest media any plan could use: the fitting files' bytes over (capacity × 1024 - 1), rounded up,
    // and one medium as soon as any file fits at all.
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
// unless it is cancelled. With a capacity of 0 or less every file is too large. Rows marked in leftOut
// (indexed by row; rows past its end count as unmarked) are neither planned nor listed as too large: files
// no longer in the folder.
MediaPlan PlanMedia(const FileTable& files, std::int32_t capacity, const std::vector<bool>& leftOut = {},
                    const PlanControl& control = {});

}  // namespace drovalin
