#include "tables/worker_threads.h"

#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace drovalin {

void RunOnThreads(unsigned threads, const std::function<void()>& work) {
    std::mutex mutex;
    std::exception_ptr firstError;
    const auto guarded = [&] {
        try {
            work();
        } catch (...) {
            const std::lock_guard lock(mutex);
            if (!firstError) firstError = std::current_exception();
        }
    };
    std::vector<std::jthread> helpers;
    for (unsigned i = 1; i < threads; ++i) {
        try {
            helpers.emplace_back(guarded);
        } catch (const std::system_error&) {
            break;  // the threads already running share the work
        }
    }
    guarded();
    helpers.clear();  // joins
    if (firstError) std::rethrow_exception(firstError);
}

}  // namespace drovalin
