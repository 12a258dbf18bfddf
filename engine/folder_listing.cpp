#include "folder_listing.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <system_error>

#include "progress_throttle.h"
#include "worker_threads.h"

namespace drovalin {
namespace {

std::string ErrorText(int error) { return std::error_code(error, std::generic_category()).message(); }

// Entry types that can never be a regular file. DT_UNKNOWN is measured.
bool KnownNotFile(unsigned char type) {
    return type == DT_DIR || type == DT_LNK || type == DT_FIFO || type == DT_SOCK || type == DT_CHR ||
           type == DT_BLK;
}

// What measuring one name gave: a size (0 or more), not a regular file, or an error number.
constexpr std::int64_t kNotFile = -1;
constexpr std::int64_t ErrorOutcome(int error) { return -2 - error; }
constexpr int OutcomeError(std::int64_t outcome) { return static_cast<int>(-2 - outcome); }

std::int64_t Measure(int dirFd, const std::string& name) {
    if (name.empty() || name.find('/') != std::string::npos || name.find('\0') != std::string::npos)
        return ErrorOutcome(EINVAL);
    struct stat st {};
    // A link is never followed: moving it would move the link, not the data it points to.
    if (fstatat(dirFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return ErrorOutcome(errno);
    return S_ISREG(st.st_mode) ? st.st_size : kNotFile;
}

struct FdCloser {
    int fd;
    ~FdCloser() {
        if (fd >= 0) close(fd);
    }
};

}  // namespace

std::string JoinPath(const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
    if (folder.back() == '/') return folder + name;
    return folder + '/' + name;
}

FolderNames ListFolderNames(const std::string& folder) { return ListFolderNames(folder, RebuildControl{}); }

FolderNames ListFolderNames(const std::string& folder, const RebuildControl& control) {
    FolderNames result;
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr) {
        result.error = ErrorText(errno);
        return result;
    }
    ProgressThrottle throttle(control);
    throttle.Force(RebuildPhase::kListing, 0, 0);
    std::int64_t seen = 0;
    for (;;) {
        errno = 0;
        const dirent* entry = readdir(dir);
        if (entry == nullptr) break;
        if (++seen % 1024 == 0) {
            if (control.stop.stop_requested()) break;
            throttle.Offer(RebuildPhase::kListing, static_cast<std::int64_t>(result.names.size()), 0);
        }
        if (entry->d_name[0] == '.' || KnownNotFile(entry->d_type)) continue;
        result.names.emplace_back(entry->d_name);
    }
    const int readError = errno;
    closedir(dir);
    if (control.stop.stop_requested()) {
        result.names = {};
        return result;
    }
    if (readError != 0) {
        // A listing cut short would silently miss files.
        result.error = ErrorText(readError);
        result.names = {};
        return result;
    }
    throttle.Force(RebuildPhase::kListing, static_cast<std::int64_t>(result.names.size()), 0);
    result.opened = true;
    return result;
}

MeasuredFiles MeasureFiles(const std::string& folder, const std::vector<std::string>& names) {
    return MeasureFiles(folder, std::vector<std::string>(names));
}

MeasuredFiles MeasureFiles(const std::string& folder, std::vector<std::string>&& names) {
    return MeasureFiles(folder, std::move(names), RebuildControl{});
}

MeasuredFiles MeasureFiles(const std::string& folder, std::vector<std::string>&& names,
                           const RebuildControl& control) {
    std::vector<std::string> owned = std::move(names);  // freed on return, whatever the caller keeps
    MeasuredFiles result;
    const int dirFd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd < 0) {
        const std::string reason = ErrorText(errno);
        for (std::string& name : owned) result.leftOut.push_back({std::move(name), reason});
        return result;
    }

    // Every thread measures into its own slots, so the order of the names survives any interleaving.
    const auto count = static_cast<std::int64_t>(owned.size());
    std::vector<std::int64_t> outcomes(owned.size());
    const unsigned threads =
        std::max(1u, control.measureThreads ? control.measureThreads : DefaultMeasureThreads());
    // Small pieces keep every thread busy to the end; large ones keep the shared counters quiet.
    const std::int64_t piece = std::clamp<std::int64_t>(count / (8 * std::int64_t{threads}), 1, 256);
    std::atomic<std::int64_t> next{0};
    std::atomic<std::int64_t> measured{0};
    ProgressThrottle throttle(control);
    throttle.Force(RebuildPhase::kMeasuring, 0, count);
    const auto work = [&] {
        // A descriptor of its own: threads sharing one would contend for its reference count on every query.
        const int ownFd = openat(dirFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        const FdCloser closer{ownFd};
        const int fd = ownFd >= 0 ? ownFd : dirFd;
        for (;;) {
            const std::int64_t first = next.fetch_add(piece, std::memory_order_relaxed);
            if (first >= count) return;
            const std::int64_t last = std::min(first + piece, count);
            for (std::int64_t i = first; i < last; ++i) {
                if (control.stop.stop_requested()) return;
                if (control.beforeMeasuring) control.beforeMeasuring(owned[i]);
                outcomes[i] = Measure(fd, owned[i]);
            }
            throttle.Offer(RebuildPhase::kMeasuring,
                           measured.fetch_add(last - first, std::memory_order_relaxed) + (last - first),
                           count);
        }
    };
    try {
        RunOnThreads(static_cast<unsigned>(std::min<std::int64_t>(threads, (count + piece - 1) / piece)),
                     work);
    } catch (...) {
        close(dirFd);
        throw;
    }
    close(dirFd);
    if (control.stop.stop_requested()) return {};

    const auto files = std::count_if(outcomes.begin(), outcomes.end(), [](std::int64_t o) { return o >= 0; });
    result.files.reserve(static_cast<std::size_t>(files));
    for (std::size_t i = 0; i < owned.size(); ++i) {
        if (outcomes[i] >= 0)
            result.files.push_back({std::move(owned[i]), outcomes[i]});
        else if (outcomes[i] != kNotFile)
            result.leftOut.push_back({std::move(owned[i]), ErrorText(OutcomeError(outcomes[i]))});
    }
    throttle.Force(RebuildPhase::kMeasuring, count, count);
    return result;
}

}  // namespace drovalin
