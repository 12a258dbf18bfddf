#pragma once

#include <atomic>
#include <cstdint>
#include <exception>
#include <functional>
#include <stop_token>
#include <string>
#include <thread>

#include "listing/rebuild_control.h"
#include "search/folder_rebuild.h"

namespace drovalin {

// One rebuild of a folder on a thread of its own, so the caller stays free while it runs.
class BackgroundRebuild {
  public:
    // Starts at once. The control's stop token is replaced by the rebuild's own (see Cancel). finished runs
    // on the rebuild's thread as its last act, after the result is ready.
    BackgroundRebuild(std::string folder, std::int32_t capacity, RebuildControl control,
                      std::function<void()> finished = {});
    // Cancels and waits for the thread to end.
    ~BackgroundRebuild();
    BackgroundRebuild(const BackgroundRebuild&) = delete;
    BackgroundRebuild& operator=(const BackgroundRebuild&) = delete;

    // Asks the rebuild to stop soon; its result is then cancelled. Any thread may call it.
    void Cancel();
    bool CancelRequested() const;
    // True once the result is ready.
    bool Finished() const;
    // Waits for the end and hands over the result, once; rethrows what the rebuild threw.
    RebuildResult TakeResult();

  private:
    void Run(std::string folder, std::int32_t capacity, RebuildControl control,
             std::function<void()> finished);

    std::stop_source stop_;
    RebuildResult result_;
    std::exception_ptr error_;
    std::atomic<bool> finished_{false};
    std::thread thread_;
};

}  // namespace drovalin
