#include "naive_walk.h"

#include <algorithm>

namespace drovalin::bench {

std::int64_t NaiveWalk(const std::vector<std::int64_t>& sizes, std::int32_t capacity) {
    struct Row {
        std::int64_t total;
        std::int64_t count;
    };
    std::vector<Row> rows;
    for (std::size_t start = 0; start < sizes.size(); ++start) {
        if (sizes[start] >= capacity) continue;
        Row row{sizes[start], 1};
        for (std::size_t next = start + 1; next < sizes.size(); ++next) {
            if (sizes[next] < capacity - row.total) {
                row.total += sizes[next];
                ++row.count;
            }
        }
        rows.push_back(row);
    }
    std::stable_sort(rows.begin(), rows.end(), [](const Row& a, const Row& b) { return a.total > b.total; });
    return static_cast<std::int64_t>(rows.size());
}

}  // namespace drovalin::bench
