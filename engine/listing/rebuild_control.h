#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <stop_token>
#include <string>

namespace drovalin {

enum class RebuildPhase { kListing, kMeasuring, kSearching };

struct RebuildProgress {
    RebuildPhase phase = RebuildPhase::kListing;
    std::int64_t done = 0;   // names listed, files measured, or start rows searched
    std::int64_t total = 0;  // files to measure or start rows to search; 0 while listing
};

// How a rebuild runs, and how it reports and stops. A default control runs at full speed, silently, to the
// end.
struct RebuildControl {
    // Called from the rebuild's threads, never two calls at once: at the start and end of each phase and in
    // between at most about every progressInterval. Must be quick; it holds up the rebuild while it runs.
    std::function<void(const RebuildProgress&)> progress;
    std::chrono::milliseconds progressInterval{50};
    // Once stop is requested the rebuild ends soon, with empty tables and the result marked cancelled.
    std::stop_token stop;
    // Threads that measure files; 0 chooses DefaultMeasureThreads().
    unsigned measureThreads = 0;
    // Threads that search combinations; 0 chooses one per processor core.
    unsigned searchThreads = 0;
    // Benchmark and test hook, never set by the program: runs right before each file is measured, on the
    // measuring threads, several at once. It stands in for a slow file system or a file that vanishes.
    std::function<void(const std::string& name)> beforeMeasuring;
};

// Measuring waits on the file system more than on the processor (a network share answers each query in
// turn), so it uses more threads than there are cores.
unsigned DefaultMeasureThreads();
// One per processor core, at least one.
unsigned DefaultSearchThreads();

}  // namespace drovalin
