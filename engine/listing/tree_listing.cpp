#include "listing/tree_listing.h"

#include <dirent.h>
#include <fcntl.h>
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
#include "tables/file_table.h"
#include "tables/worker_threads.h"

namespace drovalin {
namespace {

std::string ErrorText(int error) { return std::error_code(error, std::generic_category()).message(); }

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
    bool isRoot = false;
    bool wholeItem = false;  // inside a subfolder kept whole: only the bytes count, hidden names included
    std::string fileNames;   // the files' names, each followed by a NUL, in listing order
    std::vector<std::int64_t> fileBytes;                  // their sizes
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

struct Task {
    std::shared_ptr<FolderFd> parent;  // null for the walked folder
    FolderNode* node = nullptr;
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
        std::vector<char> buffer(1 << 16);
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
                fd = Read(task, buffer, subfolders);
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
    std::shared_ptr<FolderFd> Read(Task& task, std::vector<char>& buffer,
                                   std::vector<std::string>& subfolders) {
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
        ReadEntries(fd, node, buffer, subfolders);
        if (node.error != 0) {
            subfolders.clear();
            return nullptr;
        }
        return subfolders.empty() ? nullptr : owned;
    }

    void ReadEntries(int fd, FolderNode& node, std::vector<char>& buffer,
                     std::vector<std::string>& subfolders) {
        const bool keepNames = !node.wholeItem;
        for (;;) {
            const long got = syscall(SYS_getdents64, fd, buffer.data(), buffer.size());
            if (got == 0) return;
            if (got < 0) {
                // A listing cut short would silently miss files.
                node.error = errno;
                return;
            }
            if (control_.stop.stop_requested()) return;
            for (long at = 0; at < got;) {
                const auto* entry = reinterpret_cast<const LinuxDirent64*>(buffer.data() + at);
                at += entry->reclen;
                const char* name = entry->name;
                if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'))) continue;
                if (keepNames && name[0] == '.') continue;
                unsigned char type = entry->type;
                struct stat st {};
                bool measured = false;
                if (type == DT_UNKNOWN) {
                    if (fstatat(fd, name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
                        if (!FileError(node, name, errno)) return;
                        continue;
                    }
                    measured = true;
                    type = S_ISDIR(st.st_mode) ? DT_DIR : S_ISREG(st.st_mode) ? DT_REG : DT_LNK;
                }
                if (type == DT_DIR) {
                    if (!(node.isRoot && IsOutputFolderName(name))) subfolders.emplace_back(name);
                    continue;
                }
                if (type != DT_REG) continue;  // links and special files are never items
                if (!measured) {
                    if (control_.beforeMeasuring) control_.beforeMeasuring(name);
                    if (fstatat(fd, name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
                        if (!FileError(node, name, errno)) return;
                        continue;
                    }
                    if (!S_ISREG(st.st_mode)) continue;  // replaced since it was listed
                }
                if (keepNames) {
                    node.fileNames.append(name).push_back('\0');
                    node.fileBytes.push_back(st.st_size);
                } else {
                    node.bytes +=
                        control_.countedBytes ? control_.countedBytes(name, st.st_size) : st.st_size;
                }
                const std::int64_t found = found_.fetch_add(1, std::memory_order_relaxed) + 1;
                if (found % 1024 == 0) throttle_.Offer(RebuildPhase::kListing, found, 0);
            }
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

struct Frame {
    const FolderNode* node;
    std::string path;  // relative to the walked folder, ending in "/" (empty for the folder itself)
};

// The bytes below a subfolder kept whole, and the first folder below it that could not be read.
std::int64_t WholeBytes(const FolderNode& top, const std::string& topPath, const RebuildControl& control,
                        ListedTree& result, const FolderNode*& failed, std::string& failedPath) {
    std::int64_t total = 0;
    std::vector<Frame> stack{{&top, topPath}};
    failed = nullptr;
    while (!stack.empty()) {
        Frame frame = std::move(stack.back());
        stack.pop_back();
        if (frame.node->passedOver) {
            result.passedOver.push_back(frame.path);
            continue;
        }
        if (frame.node->error != 0 && failed == nullptr) {
            failed = frame.node;
            failedPath = frame.path;
        }
        total += frame.node->bytes;
        if (control.countedFolderBytes) total += control.countedFolderBytes(frame.node->name);
        for (auto child = frame.node->children.rbegin(); child != frame.node->children.rend(); ++child)
            stack.push_back({*child, frame.path + (*child)->name + "/"});
    }
    return total;
}

// Hands on a folder's own files, prefixed by its path, and names those that could not be measured.
void AddFiles(const FolderNode& node, const std::string& path, const RebuildControl& control,
              ListedTree& result, const ItemSink& add) {
    // Counted as a disc counts, a file below the folder also brings the folders on its way.
    std::int64_t onTheWay = 0;
    if (control.countedFolderBytes)
        for (std::size_t from = 0, slash; (slash = path.find('/', from)) != std::string::npos;
             from = slash + 1)
            onTheWay += control.countedFolderBytes(path.substr(from, slash - from));
    const char* name = node.fileNames.data();
    for (std::int64_t bytes : node.fileBytes) {
        if (control.countedBytes) bytes = control.countedBytes(name, bytes) + onTheWay;
        const std::size_t length = std::strlen(name);
        std::string item;
        item.reserve(path.size() + length);
        item.append(path).append(name, length);
        add(std::move(item), bytes);
        name += length + 1;
    }
    for (const auto& [file, error] : node.fileErrors)
        result.leftOut.push_back({path + file, ErrorText(error)});
}

// Hands on the items in the tree's order: each folder's files, then its subfolders in listing order.
void Emit(const FolderNode& root, ItemUnit unit, const RebuildControl& control, ListedTree& result,
          const ItemSink& add) {
    if (unit == ItemUnit::kFilesAndSubfolders) {
        AddFiles(root, {}, control, result, add);
        for (const FolderNode* top : root.children) {
            const std::string path = top->name + "/";
            const FolderNode* failed = nullptr;
            std::string failedPath;
            const std::int64_t bytes = WholeBytes(*top, path, control, result, failed, failedPath);
            if (top->passedOver) continue;
            if (failed != nullptr) {
                result.leftOut.push_back({failedPath, ErrorText(failed->error)});
                continue;
            }
            add(std::string(path), bytes);
        }
        return;
    }
    std::vector<Frame> stack{{&root, {}}};
    while (!stack.empty()) {
        Frame frame = std::move(stack.back());
        stack.pop_back();
        const FolderNode& node = *frame.node;
        if (node.passedOver) {
            result.passedOver.push_back(frame.path);
            continue;
        }
        if (node.error != 0) {
            result.leftOut.push_back({frame.path, ErrorText(node.error)});
            continue;
        }
        AddFiles(node, frame.path, control, result, add);
        for (auto child = node.children.rbegin(); child != node.children.rend(); ++child)
            stack.push_back({*child, frame.path + (*child)->name + "/"});
    }
}

std::size_t CountItems(const FolderNode& root, ItemUnit unit) {
    std::size_t count = root.fileBytes.size();
    if (unit == ItemUnit::kFilesAndSubfolders) return count + root.children.size();
    std::vector<const FolderNode*> stack(root.children.begin(), root.children.end());
    while (!stack.empty()) {
        const FolderNode* node = stack.back();
        stack.pop_back();
        count += node->fileBytes.size();
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
    TreeWalk walk(folder, unit, control);
    const unsigned threads =
        std::max(1u, control.measureThreads ? control.measureThreads : DefaultMeasureThreads());
    if (!walk.Run(threads)) return {};
    const FolderNode& root = walk.Root();
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
