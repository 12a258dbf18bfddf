#pragma once

#include <atomic>
#include <cstdint>
#include <exception>
#include <functional>
#include <stop_token>
#include <thread>

namespace drovalin {

// What a job is handed: the stop it should heed (as soon as it can; a job that cannot stop simply runs to
// its end) and where it may report how far it is (done out of total; total 0 when unknown).
struct JobControl {
    std::stop_token stop;
    std::function<void(std::int64_t done, std::int64_t total)> progress;
};

using Job = std::function<void(const JobControl&)>;

// One job on a thread of its own, so the caller stays free while it runs.
class BackgroundJob {
  public:
    // Starts at once. progress is called from the job's thread; finished runs there as its last act.
    BackgroundJob(Job job, std::function<void(std::int64_t, std::int64_t)> progress = {},
                  std::function<void()> finished = {});
    // Cancels and waits for the thread to end.
    ~BackgroundJob();
    BackgroundJob(const BackgroundJob&) = delete;
    BackgroundJob& operator=(const BackgroundJob&) = delete;

    // Asks the job to stop soon. Any thread may call it.
    void Cancel();
    bool CancelRequested() const;
    bool Finished() const;
    // Waits for the end; rethrows what the job threw.
    void Wait();

  private:
    std::stop_source stop_;
    std::exception_ptr error_;
    std::atomic<bool> finished_{false};
    std::thread thread_;
};

}  // namespace drovalin
