#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace drovalin::bench {

// Plans the media for synthetic file tables of the given sizes (or for the folder dir when not empty) at
// each capacity and prints one line per case. Returns the exit status.
int RunPlanBench(const std::vector<std::int64_t>& fileCounts, const std::vector<std::int32_t>& capacities,
                 const std::string& dir);

// Plans random folders of three kinds at CD, DVD and BD capacities, ten of each, and prints the media
// counts beside first-fit decreasing, fpart (when on PATH) and the lower bound. Folders are made under base.
int RunPlanCompare(const std::string& base);

}  // namespace drovalin::bench
