#include "moving/item_move.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <vector>

namespace drovalin {
namespace {

std::vector<std::string> Parts(const std::string& path) {
    std::vector<std::string> parts;
    std::size_t from = 0;
    for (;;) {
        const std::size_t slash = path.find('/', from);
        parts.push_back(path.substr(from, slash - from));
        if (slash == std::string::npos) return parts;
        from = slash + 1;
    }
}

bool IsPlainPart(const std::string& part) {
    return !part.empty() && part != "." && part != ".." && part.find('\0') == std::string::npos;
}

class Fd {
  public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    Fd& operator=(Fd&& other) noexcept {
        std::swap(fd_, other.fd_);
        return *this;
    }
    int Get() const { return fd_; }

  private:
    int fd_;
};

constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

// Opens the folders of parts [0, count) one below the other from start, never through a link. With make,
// missing ones are made and their paths (below base) recorded.
bool OpenChain(int start, const std::vector<std::string>& parts, std::size_t count, bool make,
               const std::string& base, MoveRecord* record, Fd& opened) {
    Fd current(openat(start, ".", kFolderFlags));
    if (current.Get() < 0) return false;
    std::string path = base;
    for (std::size_t i = 0; i < count; ++i) {
        path += "/" + parts[i];
        if (make) {
            if (mkdirat(current.Get(), parts[i].c_str(), 0777) == 0) {
                if (record) record->createdFolders.push_back(path);
            } else if (errno != EEXIST) {
                return false;
            }
        }
        Fd next(openat(current.Get(), parts[i].c_str(), kFolderFlags));
        if (next.Get() < 0) return false;
        current = std::move(next);
    }
    opened = std::move(current);
    return true;
}

// renameat2 without replacing; where the file system cannot promise that, a new link (which never replaces)
// then the old name's removal. Folders cannot be linked, so they then stay where they are.
bool RenameWithoutReplacing(int fromDir, const std::string& fromName, int toDir, const std::string& toName) {
    if (renameat2(fromDir, fromName.c_str(), toDir, toName.c_str(), RENAME_NOREPLACE) == 0) return true;
    if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP) return false;
    if (linkat(fromDir, fromName.c_str(), toDir, toName.c_str(), 0) != 0) return false;
    if (unlinkat(fromDir, fromName.c_str(), 0) != 0) {
        const int error = errno;
        unlinkat(toDir, toName.c_str(), 0);
        errno = error;
        return false;
    }
    return true;
}

}  // namespace

bool IsItemName(const std::string& name) {
    if (name.empty()) return false;
    if (name.back() == '/') {
        const std::string folder = name.substr(0, name.size() - 1);
        return IsPlainPart(folder) && folder.find('/') == std::string::npos;
    }
    for (const std::string& part : Parts(name))
        if (!IsPlainPart(part)) return false;
    return true;
}

bool MoveItem(const std::string& folder, const std::string& target, const std::string& name,
              MoveRecord* record) {
    if (!IsItemName(name)) {
        errno = EINVAL;
        return false;
    }
    const bool wholeFolder = name.back() == '/';
    const std::string item = wholeFolder ? name.substr(0, name.size() - 1) : name;
    const std::vector<std::string> parts = Parts(item);
    const std::size_t folders = parts.size() - 1;
    Fd base(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    Fd targetBase(open(target.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (base.Get() < 0 || targetBase.Get() < 0) return false;
    Fd from;
    Fd to;
    if (!OpenChain(base.Get(), parts, folders, false, folder, nullptr, from) ||
        !OpenChain(targetBase.Get(), parts, folders, true, target, record, to))
        return false;
    if (!RenameWithoutReplacing(from.Get(), parts.back(), to.Get(), parts.back())) return false;
    if (record) record->moved.push_back({folder + "/" + item, target + "/" + item});
    return true;
}

}  // namespace drovalin
