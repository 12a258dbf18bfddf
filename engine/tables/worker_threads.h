#pragma once

#include <functional>

namespace drovalin {

// Runs work on up to `threads` threads at once, the calling thread being one of them, and returns when
// every one has returned. Work is expected to take its pieces from a shared counter, so fewer threads (when
// the system refuses to start more) only make it slower. The first exception thrown is rethrown here.
void RunOnThreads(unsigned threads, const std::function<void()>& work);

}  // namespace drovalin
