#pragma once

#include <csignal>
#include <cstdint>
#include <string>
#include <vector>

namespace drovalin::bench {

// --tree: for each count, a tree of that many files (SyntheticTree), rebuilt once per item unit and timed
// against `du -s` and `find -type f` over the same tree; one line per unit. Returns the exit status.
int RunTreeBench(const std::string& base, const std::vector<std::int64_t>& fileCounts, std::int32_t capacity,
                 unsigned threads, const volatile std::sig_atomic_t& stop);

// The same over an existing tree, counting its files and folders first.
int RunTreeBenchOn(const std::string& dir, std::int32_t capacity, unsigned threads);

}  // namespace drovalin::bench
