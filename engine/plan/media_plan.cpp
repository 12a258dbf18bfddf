#include "plan/media_plan.h"

#include <algorithm>
#include <numeric>
#include <utility>

#include "plan/packing_improvement.h"
#include "tables/byte_to_kilo.h"

namespace drovalin {

MediaPlan PlanMedia(const FileTable& files, std::int32_t capacity, const std::vector<bool>& leftOut,
                    const PlanControl& control) {
    MediaPlan plan;
    plan.capacity = capacity;
    const std::int64_t limit = std::int64_t{capacity} * 1024 - 1;

    std::vector<std::pair<std::int64_t, int>> fitting;  // (bytes, row), largest first, then table order
    std::int64_t divisor = 0;
    for (int row = 1; row < files.Rows(); ++row) {
        if (static_cast<std::size_t>(row) < leftOut.size() && leftOut[static_cast<std::size_t>(row)])
            continue;
        const std::int64_t bytes = files.Bytes(row);
        if (capacity <= 0 || bytes > limit) {
            plan.tooLarge.push_back(row);
        } else {
            fitting.emplace_back(bytes, row);
            divisor = std::gcd(divisor, bytes);
        }
    }
    std::stable_sort(fitting.begin(), fitting.end(),
                     [](const auto& a, const auto& b) { return a.first > b.first; });
    // In units of the sizes' common divisor: folders of whole kilobytes then plan exactly as in kilobytes
    // below the capacity, lower bound included.
    divisor = std::max<std::int64_t>(divisor, 1);
    const std::int64_t units = std::max<std::int64_t>(limit, 0) / divisor;
    std::vector<std::int64_t> sizes;
    sizes.reserve(fitting.size());
    for (const auto& item : fitting) sizes.push_back(item.first / divisor);

    const PackingResult packed = PlanPacking(sizes, units, control);
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
            medium.bytes += fitting[static_cast<std::size_t>(item)].first;
        }
        medium.total = ByteToKilo(medium.bytes);
        std::sort(medium.rows.begin(), medium.rows.end());
        plan.media.push_back(std::move(medium));
    }
    std::stable_sort(plan.media.begin(), plan.media.end(),
                     [](const PlannedMedium& a, const PlannedMedium& b) {
                         if (a.bytes != b.bytes) return a.bytes > b.bytes;
                         return a.rows.front() < b.rows.front();
                     });
    return plan;
}

}  // namespace drovalin
