#pragma once

#include <cstdint>
#include <vector>

#include "tables/file_table.h"

namespace drovalin {

struct BestCombinationResult {
    std::vector<int> rows;  // file-table data rows, in table order (largest first)
    std::int64_t total = 0;
    // True when no set of the table's files comes closer to the capacity; false when the search had to stop
    // at its bound and this is the best it found.
    bool exact = true;
};

// The set of the file table's files with the largest total strictly below the capacity (kilobytes), over
// every set, not only the greedy walks; 0 KB files always belong to it. Never worse than the combination
// table's best row for the same capacity. The same table and capacity always give the same rows. A capacity
// of 0 or less gives no rows.
BestCombinationResult BestCombination(const FileTable& files, std::int32_t capacity);

}  // namespace drovalin
