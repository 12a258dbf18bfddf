#pragma once

#include <cstdint>
#include <stop_token>
#include <vector>

#include "tables/file_table.h"

namespace drovalin {

struct BestCombinationResult {
    std::vector<int> rows;  // file-table data rows, in table order (largest first)
    std::int64_t bytes = 0;
    std::int64_t total = 0;  // the bytes in kilobytes, rounded as a file's size is
    // True when no set of the table's files comes closer to the capacity; false when the search had to stop
    // at its bound, or counted sizes in whole kilobytes, and this is the best it found.
    bool exact = true;
};

// The set of the file table's files with the most bytes strictly below capacity × 1024, over every set, not
// only the greedy walks; empty files always belong to it. Kilobytes rounded from bytes may hide up to half a
// kilobyte per file, so only bytes decide what fits. The same table and capacity always give the same rows.
// A capacity of 0 or less gives no rows. Rows marked in leftOut (indexed by row) are files no longer in the
// folder and are never chosen. Once stop is requested it returns soon, with no rows.
BestCombinationResult BestCombination(const FileTable& files, std::int32_t capacity,
                                      const std::vector<bool>& leftOut = {},
                                      const std::stop_token& stop = {});

}  // namespace drovalin
