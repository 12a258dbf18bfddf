#pragma once

#include <cstdint>
#include <functional>
#include <stop_token>

namespace drovalin {

// How a plan reports and stops. A default control plans silently to the end.
struct PlanControl {
    // Called on the planning thread with the steps done so far and the most the plan may take, a few
    // hundred times at most. The plan usually ends before using them all. Must be quick.
    std::function<void(std::int64_t done, std::int64_t total)> progress;
    // Once stop is requested the plan ends soon with the best packing found so far, marked cancelled; the
    // caller decides whether to use it.
    std::stop_token stop;
};

}  // namespace drovalin
