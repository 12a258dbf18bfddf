#include "search/background_job.h"

#include <utility>

namespace drovalin {

BackgroundJob::BackgroundJob(Job job, std::function<void(std::int64_t, std::int64_t)> progress,
                             std::function<void()> finished) {
    JobControl control{stop_.get_token(), std::move(progress)};
    thread_ = std::thread(
        [this, job = std::move(job), control = std::move(control), finished = std::move(finished)] {
            try {
                job(control);
            } catch (...) {
                error_ = std::current_exception();
            }
            finished_.store(true, std::memory_order_release);
            if (finished) finished();
        });
}

BackgroundJob::~BackgroundJob() {
    Cancel();
    if (thread_.joinable()) thread_.join();
}

void BackgroundJob::Cancel() { stop_.request_stop(); }

bool BackgroundJob::CancelRequested() const { return stop_.stop_requested(); }

bool BackgroundJob::Finished() const { return finished_.load(std::memory_order_acquire); }

void BackgroundJob::Wait() {
    if (thread_.joinable()) thread_.join();
    if (error_) std::rethrow_exception(std::exchange(error_, nullptr));
}

}  // namespace drovalin
