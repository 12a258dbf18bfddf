#include "plan/media_plan.h"

#include <algorithm>
#include <utility>

#include "plan/packing_improvement.h"

namespace drovalin {

MediaPlan PlanMedia(const FileTable& files, std::int32_t capacity, const PlanControl& control) {
    MediaPlan plan;
    plan.capacity = capacity;
    const std::int64_t limit = std::int64_t{capacity} - 1;

    std::vector<std::pair<std::int64_t, int>> fitting;  // (size, row), largest first, then table order
    for (int row = 1; row < files.Rows(); ++row) {
        const std::int64_t size = files.Kilobytes(row);
        if (capacity <= 0 || size > limit)
            plan.tooLarge.push_back(row);
        else
            fitting.emplace_back(size, row);
    }
    std::stable_sort(fitting.begin(), fitting.end(),
                     [](const auto& a, const auto& b) { return a.first > b.first; });
    std::vector<std::int64_t> sizes;
    sizes.reserve(fitting.size());
    for (const auto& item : fitting) sizes.push_back(item.first);

    PackingResult packed = PlanPacking(sizes, limit, control);
    plan.firstFitMedia = packed.firstFitBins;
    plan.lowerBound = packed.simpleBound;
    plan.provenBound = packed.provenBound;
    plan.cancelled = packed.cancelled;
    const Packing& packing = packed.bins;

    plan.media.reserve(packing.size());
    for (const auto& bin : packing) {
        PlannedMedium medium;
        medium.rows.reserve(bin.size());
        for (const std::int32_t item : bin) {
            medium.rows.push_back(fitting[static_cast<std::size_t>(item)].second);
            medium.total += sizes[static_cast<std::size_t>(item)];
        }
        std::sort(medium.rows.begin(), medium.rows.end());
        plan.media.push_back(std::move(medium));
    }
    std::stable_sort(plan.media.begin(), plan.media.end(),
                     [](const PlannedMedium& a, const PlannedMedium& b) {
                         if (a.total != b.total) return a.total > b.total;
                         return a.rows.front() < b.rows.front();
                     });
    return plan;
}

}  // namespace drovalin
