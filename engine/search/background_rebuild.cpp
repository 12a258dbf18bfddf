#include "search/background_rebuild.h"

#include <utility>

namespace drovalin {

BackgroundRebuild::BackgroundRebuild(std::string folder, std::int32_t capacity, RebuildControl control,
                                     std::function<void()> finished) {
    control.stop = stop_.get_token();
    thread_ = std::thread(&BackgroundRebuild::Run, this, std::move(folder), capacity, std::move(control),
                          std::move(finished));
}

BackgroundRebuild::~BackgroundRebuild() {
    Cancel();
    if (thread_.joinable()) thread_.join();
}

void BackgroundRebuild::Run(std::string folder, std::int32_t capacity, RebuildControl control,
                            std::function<void()> finished) {
    try {
        result_ = RebuildFolder(folder, capacity, control);
    } catch (...) {
        error_ = std::current_exception();
    }
    finished_.store(true, std::memory_order_release);
    if (finished) finished();
}

void BackgroundRebuild::Cancel() { stop_.request_stop(); }

bool BackgroundRebuild::CancelRequested() const { return stop_.stop_requested(); }

bool BackgroundRebuild::Finished() const { return finished_.load(std::memory_order_acquire); }

RebuildResult BackgroundRebuild::TakeResult() {
    if (thread_.joinable()) thread_.join();
    if (error_) std::rethrow_exception(std::exchange(error_, nullptr));
    return std::move(result_);
}

}  // namespace drovalin
