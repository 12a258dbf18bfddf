#pragma once

#include <cstdint>

#include "listing/rebuild_control.h"
#include "tables/combination_table.h"
#include "tables/file_table.h"

namespace drovalin {

// For every file smaller than the capacity, one greedy combination: that file, then each later (smaller or
// equal) file that keeps the total strictly below the capacity. Rows are appended to combinations in start
// order and then sorted by total, largest first; equal totals keep their start order. The file table must be
// sorted largest first and be the one combinations reads its names from (else std::invalid_argument). Sets
// the combinations' capacity; a capacity of 0 or less gives no rows.
void SearchCombinations(const FileTable& files, std::int32_t capacity, CombinationTable& combinations);
// The same on the control's search threads, reporting start rows searched out of start rows to search; the
// rows come out as from one thread. Once stop is requested it returns soon, leaving combinations empty.
void SearchCombinations(const FileTable& files, std::int32_t capacity, CombinationTable& combinations,
                        const RebuildControl& control);

}  // namespace drovalin
