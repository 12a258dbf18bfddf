#include "listing/tree_listing.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <system_error>

#include "listing/progress_throttle.h"
#include "listing/stat_batch.h"
#include "tables/file_table.h"
#include "tables/worker_threads.h"

namespace drovalin {
namespace {

std::string ErrorText(int error) { return std::error_code(error, std::generic_category()).message(); }

// Orders subfolder names as their paths "name/" order, so each sits among the files where its items fall.
bool FolderNameLess(const std::string& a, const std::string& b) {
    const std::size_t common = std::min(a.size(), b.size());
    const int order = a.compare(0, common, b, 0, common);
    if (order != 0) return order < 0;
    const auto next = [common](const std::string& name) {
        return static_cast<unsigned char>(common < name.size() ? name[common] : '/');
    };
    return next(a) < next(b);
}

// An open folder, closed once the last reader that needs it (its own, then each subfolder's opening) is done.
struct FolderFd {
    int fd;
    explicit FolderFd(int f) : fd(f) {}
    ~FolderFd() {
        if (fd >= 0) close(fd);
    }
    FolderFd(const FolderFd&) = delete;
    FolderFd& operator=(const FolderFd&) = delete;
};

// One folder of the tree and what reading it found. Filled by whichever thread read it; the tree's shape
// depends only on the folders, never on the threads.
struct FolderNode {
    std::string name;  // entry name in the parent; empty for the walked folder itself
    std::string path;  // relative to the walked folder, ending in "/"; empty for the walked folder
    bool isRoot = false;
    bool wholeItem = false;     // inside a subfolder kept whole: only the bytes count, hidden names included
    std::int64_t onTheWay = 0;  // what the folders on the path add to each file counted as a disc counts
    // The files as items (path and counted bytes), ordered by name; made here, on the reading threads, so
    // the items need no copying once the walk is done.
    std::vector<std::pair<std::string, std::int64_t>> files;
    std::int64_t bytes = 0;                               // the files' total, in a subfolder kept whole
    std::vector<std::pair<std::string, int>> fileErrors;  // files that could not be measured, with errno
    std::vector<FolderNode*> children;                    // subfolders, in listing order
    int error = 0;                                        // errno when the folder could not be read whole
    bool passedOver = false;                              // on another file system or mount
};

struct Identity {
    dev_t dev = 0;
    std::uint64_t mountId = 0;
    bool hasMountId = false;
};

bool ReadIdentity(int fd, Identity& identity) {
    struct statx st {};
    if (statx(fd, "", AT_EMPTY_PATH | AT_SYMLINK_NOFOLLOW, STATX_TYPE | STATX_MNT_ID, &st) != 0) return false;
    identity.dev = makedev(st.stx_dev_major, st.stx_dev_minor);
    identity.hasMountId = (st.stx_mask & STATX_MNT_ID) != 0;
    identity.mountId = st.stx_mnt_id;
    return true;
}

bool SameMount(const Identity& root, const Identity& other) {
    if (other.dev != root.dev) return false;
    // A bind mount of the same file system keeps its device number; only the mount id tells it apart.
    return !(root.hasMountId && other.hasMountId && other.mountId != root.mountId);
}

// A deep tree keeps a folder open at each level still being read, more than the usual soft limit on open
// files (often 1,024) allows; the walk may use as many as the system allows.
void RaiseOpenFileLimit() {
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur >= limit.rlim_max) return;
    limit.rlim_cur = limit.rlim_max;
    setrlimit(RLIMIT_NOFILE, &limit);
}

struct Task {
    std::shared_ptr<FolderFd> parent;  // null for the walked folder
    FolderNode* node = nullptr;
};

// What one reading thread keeps from folder to folder.
struct Scratch {
    std::vector<char> buffer = std::vector<char>(1 << 16);  // the listing, as the system hands it over
    StatBatch stat;
    std::string names;                // the names to measure, each followed by a NUL
    std::vector<std::size_t> starts;  // where each begins in names
    std::vector<bool> unknown;        // the listing did not say whether it is a file
    std::vector<const char*> pointers;
    std::vector<MeasuredName> results;
};

struct LinuxDirent64 {
    std::uint64_t ino;
    std::int64_t off;
    unsigned short reclen;
    unsigned char type;
    char name[1];
};

// Reads a tree on several threads. Each thread takes a folder, reads it whole and queues its subfolders;
// the last one queued is read first, so few folders are open at once (about the depth times the threads)
// however wide the tree.
class TreeWalk {
  public:
    TreeWalk(const std::string& folder, ItemUnit unit, const RebuildControl& control)
        : folder_(folder), unit_(unit), control_(control), throttle_(control) {
        nodes_.emplace_back();
        nodes_.front().isRoot = true;
    }

    FolderNode& Root() { return nodes_.front(); }

    // Reads the whole tree; false when stopped. The walked folder's own failure is in Root().error.
    bool Run(unsigned threads) {
        stack_.push_back({nullptr, &Root()});
        throttle_.Force(RebuildPhase::kListing, 0, 0);
        RunOnThreads(threads, [this] { Work(); });
        if (failure_) std::rethrow_exception(failure_);
        if (control_.stop.stop_requested()) return false;
        throttle_.Force(RebuildPhase::kListing, found_.load(), 0);
        return true;
    }

  private:
    void Work() {
        Scratch scratch;
        std::vector<std::string> subfolders;
        std::unique_lock lock(mutex_);
        for (;;) {
            if (control_.stop.stop_requested()) {
                stack_.clear();
                ready_.notify_all();
                return;
            }
            if (stack_.empty()) {
                if (busy_ == 0) return;
                ready_.wait(lock);
                continue;
            }
            Task task = std::move(stack_.back());
            stack_.pop_back();
            ++busy_;
            lock.unlock();
            subfolders.clear();
            std::shared_ptr<FolderFd> fd;
            try {
                fd = Read(task, scratch, subfolders);
            } catch (...) {
                // Run hands the failure on once every thread has stopped.
                const std::lock_guard failedLock(failureMutex_);
                if (!failure_) failure_ = std::current_exception();
                task.node->error = EIO;
                subfolders.clear();
            }
            task.parent.reset();
            lock.lock();
            --busy_;
            Queue(*task.node, fd, subfolders);
            if (stack_.empty() && busy_ == 0) ready_.notify_all();
        }
    }

    // Makes nodes of the subfolders read from node and queues them, the first listed on top. Holds the lock.
    void Queue(FolderNode& node, const std::shared_ptr<FolderFd>& fd, std::vector<std::string>& subfolders) {
        if (subfolders.empty()) return;
        node.children.reserve(subfolders.size());
        for (std::string& name : subfolders) {
            FolderNode& child = nodes_.emplace_back();
            child.path = node.path + name + "/";
            child.onTheWay =
                node.onTheWay + (control_.countedFolderBytes ? control_.countedFolderBytes(name) : 0);
            child.name = std::move(name);
            child.wholeItem = node.wholeItem || (node.isRoot && unit_ == ItemUnit::kFilesAndSubfolders);
            node.children.push_back(&child);
        }
        for (auto child = node.children.rbegin(); child != node.children.rend(); ++child)
            stack_.push_back({fd, *child});
        // One folder gives work to one thread; waking every thread for it would only put them back to sleep.
        if (subfolders.size() == 1)
            ready_.notify_one();
        else
            ready_.notify_all();
    }

    // Opens and reads the task's folder; returns it open when it has subfolders to open from it.
    std::shared_ptr<FolderFd> Read(Task& task, Scratch& scratch, std::vector<std::string>& subfolders) {
        FolderNode& node = *task.node;
        const int flags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY;
        const int fd = task.parent ? openat(task.parent->fd, node.name.c_str(), flags)
                                   : open(folder_.c_str(), flags & ~O_NOFOLLOW);
        if (fd < 0) {
            node.error = errno;
            return nullptr;
        }
        auto owned = std::make_shared<FolderFd>(fd);
        Identity identity;
        if (!ReadIdentity(fd, identity)) {
            node.error = errno;
            return nullptr;
        }
        if (node.isRoot) {
            root_ = identity;
        } else if (!SameMount(root_, identity)) {
            node.passedOver = true;
            return nullptr;
        }
        ReadEntries(fd, node, scratch, subfolders);
        if (node.error != 0) {
            subfolders.clear();
            return nullptr;
        }
        // In name order, a depth-first walk hands the items on with their paths already sorted, which
        // spares the table most of its sort.
        const std::size_t prefix = node.path.size();
        std::sort(node.files.begin(), node.files.end(), [prefix](const auto& a, const auto& b) {
            return a.first.compare(prefix, std::string::npos, b.first, prefix, std::string::npos) < 0;
        });
        std::sort(subfolders.begin(), subfolders.end(), FolderNameLess);
        return subfolders.empty() ? nullptr : owned;
    }

    // Lists the folder whole, then measures its files (and the entries whose type the listing left open)
    // in one batch.
    void ReadEntries(int fd, FolderNode& node, Scratch& scratch, std::vector<std::string>& subfolders) {
        const bool keepNames = !node.wholeItem;
        scratch.names.clear();
        scratch.starts.clear();
        scratch.unknown.clear();
        for (;;) {
            const long got = syscall(SYS_getdents64, fd, scratch.buffer.data(), scratch.buffer.size());
            if (got == 0) break;
            if (got < 0) {
                // A listing cut short would silently miss files.
                node.error = errno;
                return;
            }
            if (control_.stop.stop_requested()) return;
            for (long at = 0; at < got;) {
                const auto* entry = reinterpret_cast<const LinuxDirent64*>(scratch.buffer.data() + at);
                at += entry->reclen;
                const char* name = entry->name;
                if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'))) continue;
                if (keepNames && name[0] == '.') continue;
                if (entry->type == DT_DIR) {
                    if (!(node.isRoot && IsOutputFolderName(name))) subfolders.emplace_back(name);
                    continue;
                }
                // Links and special files are never items.
                if (entry->type != DT_REG && entry->type != DT_UNKNOWN) continue;
                scratch.starts.push_back(scratch.names.size());
                scratch.names.append(name).push_back('\0');
                scratch.unknown.push_back(entry->type == DT_UNKNOWN);
            }
        }
        scratch.pointers.clear();
        for (const std::size_t start : scratch.starts)
            scratch.pointers.push_back(scratch.names.data() + start);
        if (control_.beforeMeasuring)
            for (std::size_t i = 0; i < scratch.pointers.size(); ++i)
                if (!scratch.unknown[i]) control_.beforeMeasuring(scratch.pointers[i]);
        scratch.stat.Measure(fd, scratch.pointers, scratch.results);
        for (std::size_t i = 0; i < scratch.pointers.size(); ++i) {
            const char* name = scratch.pointers[i];
            const MeasuredName& measured = scratch.results[i];
            if (measured.error != 0) {
                if (!FileError(node, name, measured.error)) return;
                continue;
            }
            if (scratch.unknown[i] && S_ISDIR(measured.mode)) {
                if (!(node.isRoot && IsOutputFolderName(name))) subfolders.emplace_back(name);
                continue;
            }
            if (!S_ISREG(measured.mode)) continue;  // a link or special file, or replaced since it was listed
            if (keepNames) {
                const std::size_t length = std::strlen(name);
                std::string item;
                item.reserve(node.path.size() + length);
                item.append(node.path).append(name, length);
                const std::int64_t bytes = control_.countedBytes
                                               ? control_.countedBytes(name, measured.bytes) + node.onTheWay
                                               : measured.bytes;
                node.files.emplace_back(std::move(item), bytes);
            } else {
                node.bytes +=
                    control_.countedBytes ? control_.countedBytes(name, measured.bytes) : measured.bytes;
            }
            const std::int64_t found = found_.fetch_add(1, std::memory_order_relaxed) + 1;
            if (found % 1024 == 0) throttle_.Offer(RebuildPhase::kListing, found, 0);
        }
    }

    // Notes a file that could not be measured; false when the whole folder must count as unreadable.
    static bool FileError(FolderNode& node, const char* name, int error) {
        // A folder that can be listed but not searched fails for every file: name the folder once.
        if (error == EACCES || error == EPERM) {
            node.error = error;
            return false;
        }
        if (node.wholeItem) {
            // A file removed since the listing takes none of the medium; anything else leaves the size
            // unknown.
            if (error == ENOENT) return true;
            node.error = error;
            return false;
        }
        node.fileErrors.emplace_back(name, error);
        return true;
    }

    const std::string& folder_;
    const ItemUnit unit_;
    const RebuildControl& control_;
    ProgressThrottle throttle_;
    Identity root_;  // written by the root's reader before any other folder is queued
    std::atomic<std::int64_t> found_{0};
    std::mutex failureMutex_;
    std::exception_ptr failure_;

    std::mutex mutex_;
    std::condition_variable ready_;
    std::vector<Task> stack_;
    std::deque<FolderNode> nodes_;  // never move once made; freed flat, however deep the tree
    unsigned busy_ = 0;
};

// The bytes below a subfolder kept whole, and the first folder below it that could not be read.
std::int64_t WholeBytes(const FolderNode& top, const RebuildControl& control, ListedTree& result,
                        const FolderNode*& failed) {
    std::int64_t total = 0;
    std::vector<const FolderNode*> stack{&top};
    failed = nullptr;
    while (!stack.empty()) {
        const FolderNode* node = stack.back();
        stack.pop_back();
        if (node->passedOver) {
            result.passedOver.push_back(node->path);
            continue;
        }
        if (node->error != 0 && failed == nullptr) failed = node;
        total += node->bytes;
        if (control.countedFolderBytes) total += control.countedFolderBytes(node->name);
        stack.insert(stack.end(), node->children.rbegin(), node->children.rend());
    }
    return total;
}

void AddSubfolderKeptWhole(const FolderNode& top, const RebuildControl& control, ListedTree& result,
                           const ItemSink& add) {
    const FolderNode* failed = nullptr;
    const std::int64_t bytes = WholeBytes(top, control, result, failed);
    if (top.passedOver) return;
    if (failed != nullptr) {
        result.leftOut.push_back({failed->path, ErrorText(failed->error)});
        return;
    }
    add(std::string(top.path), bytes);
}

// A folder on the way down: which of its files and subfolders come next.
struct Cursor {
    FolderNode* node;
    std::size_t file = 0;
    std::size_t child = 0;
};

// Hands on the items in name order of their paths: each folder's files and subfolders merged by name,
// a subfolder's items where its name falls.
void Emit(FolderNode& root, ItemUnit unit, const RebuildControl& control, ListedTree& result,
          const ItemSink& add) {
    for (const auto& [file, error] : root.fileErrors) result.leftOut.push_back({file, ErrorText(error)});
    std::vector<Cursor> stack{{&root}};
    while (!stack.empty()) {
        Cursor& at = stack.back();
        FolderNode& node = *at.node;
        const bool fileLeft = at.file < node.files.size();
        const bool childLeft = at.child < node.children.size();
        if (!fileLeft && !childLeft) {
            node.files = {};
            stack.pop_back();
            continue;
        }
        // A file's path has no "/" past its folder's, so it never starts with a subfolder's path and the
        // plain comparison places it.
        if (fileLeft && (!childLeft || node.files[at.file].first < node.children[at.child]->path)) {
            auto& [item, bytes] = node.files[at.file++];
            add(std::move(item), bytes);
            continue;
        }
        FolderNode& child = *node.children[at.child++];
        if (unit == ItemUnit::kFilesAndSubfolders) {
            AddSubfolderKeptWhole(child, control, result, add);
            continue;
        }
        if (child.passedOver) {
            result.passedOver.push_back(child.path);
            continue;
        }
        if (child.error != 0) {
            result.leftOut.push_back({child.path, ErrorText(child.error)});
            continue;
        }
        for (const auto& [file, error] : child.fileErrors)
            result.leftOut.push_back({child.path + file, ErrorText(error)});
        stack.push_back({&child});
    }
}

std::size_t CountItems(const FolderNode& root, ItemUnit unit) {
    std::size_t count = root.files.size();
    if (unit == ItemUnit::kFilesAndSubfolders) return count + root.children.size();
    std::vector<const FolderNode*> stack(root.children.begin(), root.children.end());
    while (!stack.empty()) {
        const FolderNode* node = stack.back();
        stack.pop_back();
        count += node->files.size();
        stack.insert(stack.end(), node->children.begin(), node->children.end());
    }
    return count;
}

}  // namespace

bool IsOutputFolderName(const std::string& name) {
    return !name.empty() && name[0] == 'w' &&
           std::all_of(name.begin() + 1, name.end(), [](char c) { return c >= '0' && c <= '9'; });
}

ListedTree ListItems(const std::string& folder, ItemUnit unit, const RebuildControl& control,
                     const std::function<void(std::size_t)>& reserve, const ItemSink& add) {
    ListedTree result;
    if (unit == ItemUnit::kFolderFiles) {
        ListedFolder listed = ListAndMeasureFiles(folder, control);
        result.opened = listed.opened;
        result.error = std::move(listed.error);
        result.leftOut = std::move(listed.measured.leftOut);
        reserve(listed.measured.files.size());
        for (ListedFile& file : listed.measured.files) add(std::move(file.name), file.bytes);
        return result;
    }
    RaiseOpenFileLimit();
    TreeWalk walk(folder, unit, control);
    const unsigned threads =
        std::max(1u, control.measureThreads ? control.measureThreads : DefaultMeasureThreads());
    if (!walk.Run(threads)) return {};
    FolderNode& root = walk.Root();
    if (root.error != 0) {
        result.error = ErrorText(root.error);
        return result;
    }
    result.opened = true;
    reserve(CountItems(root, unit));
    Emit(root, unit, control, result, add);
    return result;
}

ListedTree ListItems(const std::string& folder, ItemUnit unit, const RebuildControl& control,
                     FileTable& files) {
    if (unit == ItemUnit::kFolderFiles) {
        ListedFolder listed = ListAndMeasureFiles(folder, control, files);
        ListedTree result;
        result.opened = listed.opened;
        result.error = std::move(listed.error);
        result.leftOut = std::move(listed.measured.leftOut);
        return result;
    }
    return ListItems(
        folder, unit, control, [&](std::size_t count) { files.Reserve(count); },
        [&](std::string&& name, std::int64_t bytes) { files.AppendBytes(std::move(name), bytes); });
}

}  // namespace drovalin
