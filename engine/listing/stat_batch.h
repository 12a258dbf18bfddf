#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

struct io_uring;

namespace drovalin {

// What measuring one name found: error 0 with its type and length, or the errno.
struct MeasuredName {
    int error = 0;
    mode_t mode = 0;
    std::int64_t bytes = 0;
};

// Measures the names of one folder, never through a link, many at once: one call to the system hands over a
// whole batch, where one call a name costs a trap each. Where the system refuses batches (an old kernel, a
// sandbox), each name is measured on its own, with the same results. One per thread.
class StatBatch {
  public:
    explicit StatBatch(bool batched = true);
    ~StatBatch();
    StatBatch(const StatBatch&) = delete;
    StatBatch& operator=(const StatBatch&) = delete;

    // results[i] for names[i], relative to the open folder folderFd.
    void Measure(int folderFd, const std::vector<const char*>& names, std::vector<MeasuredName>& results);
    // False when each name is measured on its own.
    bool Batched() const;

  private:
    // Names [from, to) one at a time.
    void MeasureEach(int folderFd, const std::vector<const char*>& names, std::vector<MeasuredName>& results,
                     std::size_t from, std::size_t to);

    std::unique_ptr<io_uring> ring_;
    std::vector<struct statx> found_;  // where the system writes each answer of a batch
};

}  // namespace drovalin
