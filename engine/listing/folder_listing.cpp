#include "listing/folder_listing.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <system_error>

#include "listing/progress_throttle.h"
#include "tables/file_table.h"
#include "tables/worker_threads.h"

namespace drovalin {
namespace {

std::string ErrorText(int error) { return std::error_code(error, std::generic_category()).message(); }

// Entry types that are never a regular file. Symbolic links are left out too: a move renames the link, not
// its target, so listing it with the target's size would promise data the link does not carry. DT_UNKNOWN
// is measured.
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

// Names as the listing hands them on, with a slot for each measurement.
struct NameBlock {
    std::vector<std::string> names;
    std::vector<std::int64_t> outcomes;
};

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

namespace {

// The pipeline between the listing and the measuring threads: the listing appends blocks of names, the
// threads take pieces of them in order. Blocks never move once added (a deque keeps its elements in place).
class NamePipeline {
  public:
    // Blocks grow from small, so measuring starts early, to large: each block wakes every waiting thread,
    // and on a fast disk the threads would otherwise wake and sleep again for every few hundred names.
    static constexpr std::size_t kFirstBlockNames = 256;
    static constexpr std::size_t kLastBlockNames = 8192;
    static constexpr std::size_t kPieceNames = 16;

    void Add(std::vector<std::string>&& names) {
        {
            const std::lock_guard lock(mutex_);
            blocks_.push_back({std::move(names), {}});
            blocks_.back().outcomes.resize(blocks_.back().names.size());
            listed_ += static_cast<std::int64_t>(blocks_.back().names.size());
        }
        ready_.notify_all();
    }
    void Close() {
        {
            const std::lock_guard lock(mutex_);
            closed_ = true;
        }
        ready_.notify_all();
    }

    struct Piece {
        NameBlock* block = nullptr;
        std::size_t first = 0;
        std::size_t last = 0;
    };
    // The next piece to measure; waits while the listing may still add one; an empty piece at the end.
    Piece Take(const std::stop_token& stop) {
        std::unique_lock lock(mutex_);
        for (;;) {
            if (stop.stop_requested()) return {};
            if (nextBlock_ < blocks_.size()) {
                NameBlock& block = blocks_[nextBlock_];
                const Piece piece{&block, nextName_, std::min(nextName_ + kPieceNames, block.names.size())};
                nextName_ = piece.last;
                if (nextName_ >= block.names.size()) {
                    ++nextBlock_;
                    nextName_ = 0;
                }
                if (piece.first < piece.last) return piece;
                continue;
            }
            if (closed_) return {};
            ready_.wait_for(lock, std::chrono::milliseconds(20));
        }
    }
    std::int64_t Listed() {
        const std::lock_guard lock(mutex_);
        return listed_;
    }
    std::deque<NameBlock>& Blocks() { return blocks_; }  // only once every thread has ended

  private:
    std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<NameBlock> blocks_;
    std::size_t nextBlock_ = 0;
    std::size_t nextName_ = 0;
    std::int64_t listed_ = 0;
    bool closed_ = false;
};

}  // namespace

namespace {

// Lists and measures on the pipeline, handing the files in the order of the names to reserve(count) and
// then add(name, bytes) each; the left-out names go to the result.
template <class Reserve, class Add>
ListedFolder ListAndMeasure(const std::string& folder, const RebuildControl& control, Reserve reserve,
                            Add add) {
    ListedFolder result;
    const unsigned threads =
        std::max(1u, control.measureThreads ? control.measureThreads : DefaultMeasureThreads());
    if (threads == 1) {
        FolderNames listing = ListFolderNames(folder, control);
        result.opened = listing.opened;
        result.error = std::move(listing.error);
        if (!listing.opened) return result;
        MeasuredFiles measured = MeasureFiles(folder, std::move(listing.names), control);
        result.measured.leftOut = std::move(measured.leftOut);
        reserve(measured.files.size());
        for (ListedFile& file : measured.files) add(std::move(file.name), file.bytes);
        return result;
    }
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr) {
        result.error = ErrorText(errno);
        return result;
    }
    const int dirFd = dirfd(dir);

    NamePipeline pipeline;
    std::atomic<bool> listerTaken{false};
    std::atomic<std::int64_t> measured{0};
    int readError = 0;
    ProgressThrottle throttle(control);
    throttle.Force(RebuildPhase::kListing, 0, 0);
    throttle.Force(RebuildPhase::kMeasuring, 0, 0);
    const auto list = [&] {
        struct Closer {
            NamePipeline& pipeline;
            ~Closer() { pipeline.Close(); }  // whatever happens, no thread waits for more
        } closer{pipeline};
        std::vector<std::string> names;
        std::size_t blockNames = NamePipeline::kFirstBlockNames;
        std::int64_t seen = 0;
        for (;;) {
            errno = 0;
            const dirent* entry = readdir(dir);
            if (entry == nullptr) {
                readError = errno;
                break;
            }
            if (++seen % 1024 == 0 && control.stop.stop_requested()) break;
            if (entry->d_name[0] == '.' || KnownNotFile(entry->d_type)) continue;
            names.emplace_back(entry->d_name);
            if (names.size() == blockNames) {
                pipeline.Add(std::move(names));
                names = {};
                blockNames = std::min(2 * blockNames, NamePipeline::kLastBlockNames);
            }
        }
        if (!names.empty()) pipeline.Add(std::move(names));
    };
    const auto measure = [&] {
        const int ownFd = openat(dirFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        const FdCloser closer{ownFd};
        const int fd = ownFd >= 0 ? ownFd : dirFd;
        for (;;) {
            const NamePipeline::Piece piece = pipeline.Take(control.stop);
            if (piece.block == nullptr) return;
            for (std::size_t i = piece.first; i < piece.last; ++i) {
                if (control.stop.stop_requested()) return;
                if (control.beforeMeasuring) control.beforeMeasuring(piece.block->names[i]);
                piece.block->outcomes[i] = Measure(fd, piece.block->names[i]);
            }
            const auto count = static_cast<std::int64_t>(piece.last - piece.first);
            throttle.Offer(RebuildPhase::kMeasuring, measured.fetch_add(count) + count, pipeline.Listed());
        }
    };
    // One of the threads lists (whichever comes first) and then measures with the others.
    try {
        RunOnThreads(threads, [&] {
            if (!listerTaken.exchange(true)) list();
            measure();
        });
    } catch (...) {
        closedir(dir);
        throw;
    }
    closedir(dir);
    if (control.stop.stop_requested()) return {};
    if (readError != 0) {
        // A listing cut short would silently miss files.
        result.error = ErrorText(readError);
        return result;
    }

    std::size_t files = 0;
    for (const NameBlock& block : pipeline.Blocks())
        files += static_cast<std::size_t>(std::count_if(block.outcomes.begin(), block.outcomes.end(),
                                                        [](std::int64_t o) { return o >= 0; }));
    reserve(files);
    for (NameBlock& block : pipeline.Blocks()) {
        for (std::size_t i = 0; i < block.names.size(); ++i) {
            if (block.outcomes[i] >= 0)
                add(std::move(block.names[i]), block.outcomes[i]);
            else if (block.outcomes[i] != kNotFile)
                result.measured.leftOut.push_back(
                    {std::move(block.names[i]), ErrorText(OutcomeError(block.outcomes[i]))});
        }
        block = {};
    }
    const std::int64_t listed = pipeline.Listed();
    throttle.Force(RebuildPhase::kMeasuring, listed, listed);
    result.opened = true;
    return result;
}

}  // namespace

ListedFolder ListAndMeasureFiles(const std::string& folder, const RebuildControl& control) {
    std::vector<ListedFile> files;
    ListedFolder result = ListAndMeasure(
        folder, control, [&](std::size_t count) { files.reserve(count); },
        [&](std::string&& name, std::int64_t bytes) {
            files.push_back({std::move(name), bytes});
        });
    result.measured.files = std::move(files);
    return result;
}

ListedFolder ListAndMeasureFiles(const std::string& folder, const RebuildControl& control, FileTable& files) {
    return ListAndMeasure(
        folder, control, [&](std::size_t count) { files.Reserve(count); },
        [&](std::string&& name, std::int64_t bytes) { files.AppendBytes(std::move(name), bytes); });
}

}  // namespace drovalin
