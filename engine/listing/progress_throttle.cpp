#include "listing/progress_throttle.h"

#include <algorithm>

namespace drovalin {
namespace {

std::int64_t NowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

}  // namespace

ProgressThrottle::ProgressThrottle(const RebuildControl& control)
    : control_(control),
      intervalNs_(std::chrono::duration_cast<std::chrono::nanoseconds>(control.progressInterval).count()),
      lastNs_(NowNs()) {}

void ProgressThrottle::Offer(RebuildPhase phase, std::int64_t done, std::int64_t total) {
    if (!control_.progress) return;
    const std::int64_t now = NowNs();
    if (now - lastNs_.load(std::memory_order_relaxed) < intervalNs_) return;
    const std::unique_lock lock(mutex_, std::try_to_lock);
    if (!lock.owns_lock() || now - lastNs_.load(std::memory_order_relaxed) < intervalNs_) return;
    Call(phase, done, total, now);
}

void ProgressThrottle::Force(RebuildPhase phase, std::int64_t done, std::int64_t total) {
    if (!control_.progress) return;
    const std::lock_guard lock(mutex_);
    Call(phase, done, total, NowNs());
}

void ProgressThrottle::Call(RebuildPhase phase, std::int64_t done, std::int64_t total, std::int64_t now) {
    // A thread that counted before another may report after it.
    if (phase == last_.phase && total == last_.total) done = std::max(done, last_.done);
    last_ = {phase, done, total};
    lastNs_.store(now, std::memory_order_relaxed);
    control_.progress(last_);
}

}  // namespace drovalin
