#pragma once

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace drovalin::bench {

struct ChildReport {
    std::array<double, 8> values{};  // whatever the work reports
    double peakRssMb = 0;            // the child's own peak resident set
};

// Runs work in a fresh child process, so each case's peak memory is its own and the parent stays small.
// Nothing when the child fails.
std::optional<ChildReport> RunInChild(const std::function<void(std::array<double, 8>&)>& work);

// Milliseconds that the command (found on PATH) takes with its output thrown away; negative on failure.
double TimeCommand(const std::vector<std::string>& command);

// Milliseconds that `find DIR -maxdepth 1 -type f -printf '%s\n' >/dev/null` takes; negative on failure.
double TimeFind(const std::string& dir);

}  // namespace drovalin::bench
