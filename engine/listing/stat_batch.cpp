#include "listing/stat_batch.h"

#include <fcntl.h>
#include <liburing.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <system_error>

namespace drovalin {
namespace {

constexpr unsigned kDepth = 256;  // names handed over in one call
constexpr int kFlags = AT_SYMLINK_NOFOLLOW | AT_STATX_SYNC_AS_STAT;
constexpr unsigned kMask = STATX_TYPE | STATX_SIZE;

}  // namespace

StatBatch::StatBatch(bool batched) {
    if (!batched) return;
    auto ring = std::make_unique<io_uring>();
    if (io_uring_queue_init(kDepth, ring.get(), 0) != 0) return;
    ring_ = std::move(ring);
    found_.resize(kDepth);
}

StatBatch::~StatBatch() {
    if (ring_) io_uring_queue_exit(ring_.get());
}

bool StatBatch::Batched() const { return ring_ != nullptr; }

void StatBatch::MeasureEach(int folderFd, const std::vector<const char*>& names,
                            std::vector<MeasuredName>& results, std::size_t from, std::size_t to) {
    for (std::size_t i = from; i < std::min(to, names.size()); ++i) {
        struct stat st {};
        if (fstatat(folderFd, names[i], &st, AT_SYMLINK_NOFOLLOW) != 0)
            results[i] = {errno, 0, 0};
        else
            results[i] = {0, st.st_mode, st.st_size};
    }
}

void StatBatch::Measure(int folderFd, const std::vector<const char*>& names,
                        std::vector<MeasuredName>& results) {
    results.assign(names.size(), {});
    if (!ring_) {
        MeasureEach(folderFd, names, results, 0, names.size());
        return;
    }
    for (std::size_t first = 0; first < names.size(); first += kDepth) {
        const std::size_t count = std::min<std::size_t>(kDepth, names.size() - first);
        for (std::size_t i = 0; i < count; ++i) {
            io_uring_sqe* entry = io_uring_get_sqe(ring_.get());
            io_uring_prep_statx(entry, folderFd, names[first + i], kFlags, kMask, &found_[i]);
            io_uring_sqe_set_data64(entry, i);
        }
        const int submitted = io_uring_submit_and_wait(ring_.get(), static_cast<unsigned>(count));
        // Every request handed over is waited for: until then the system may still write its answer.
        for (int reaped = 0; reaped < submitted;) {
            io_uring_cqe* completion = nullptr;
            const int waited = io_uring_wait_cqe(ring_.get(), &completion);
            if (waited == -EINTR) continue;
            if (waited != 0) throw std::system_error(-waited, std::generic_category(), "io_uring_wait_cqe");
            const std::size_t i = io_uring_cqe_get_data64(completion);
            const struct statx& st = found_[i];
            if (completion->res == 0) {
                results[first + i] = {0, st.stx_mode, static_cast<std::int64_t>(st.stx_size)};
            } else if (completion->res == -ENOENT) {
                results[first + i] = {ENOENT, 0, 0};
            } else {
                // Any other refusal may be the batch's own (a kernel or policy that does not take this
                // request that way): the name's own call has the last word.
                MeasureEach(folderFd, names, results, first + i, first + i + 1);
            }
            io_uring_cqe_seen(ring_.get(), completion);
            ++reaped;
        }
        if (submitted != static_cast<int>(count)) {
            // The ring took only part of the batch (or none): it is given up, and the names it did not
            // answer are measured one at a time.
            io_uring_queue_exit(ring_.get());
            ring_.reset();
            const std::size_t answered = submitted > 0 ? static_cast<std::size_t>(submitted) : 0;
            MeasureEach(folderFd, names, results, first + answered, names.size());
            return;
        }
    }
}

}  // namespace drovalin
