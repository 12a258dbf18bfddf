#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>

#include "listing/rebuild_control.h"

namespace drovalin {

// Passes progress from many threads to one callback: one call at a time, at a bounded rate, and never
// going backwards within a phase.
class ProgressThrottle {
  public:
    explicit ProgressThrottle(const RebuildControl& control);

    // Reports if the interval has passed and no other thread is reporting; otherwise does nothing.
    void Offer(RebuildPhase phase, std::int64_t done, std::int64_t total);
    // Reports whatever the time (phase starts and ends).
    void Force(RebuildPhase phase, std::int64_t done, std::int64_t total);

  private:
    void Call(RebuildPhase phase, std::int64_t done, std::int64_t total, std::int64_t now);

    const RebuildControl& control_;
    const std::int64_t intervalNs_;
    std::mutex mutex_;
    std::atomic<std::int64_t> lastNs_;
    RebuildProgress last_;
};

}  // namespace drovalin
