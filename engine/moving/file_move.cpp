#include "moving/file_move.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>

namespace drovalin {

bool IsPlainName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
           name.find('\0') == std::string::npos;
}

int FindEntries(const std::string& folder, const std::set<std::string>& wanted,
                std::set<std::string>& found) {
    found.clear();
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr) return errno;
    int error = 0;
    for (;;) {
        errno = 0;
        const dirent* entry = readdir(dir);
        if (entry == nullptr) {
            error = errno;
            break;
        }
        if (wanted.count(entry->d_name) != 0) found.insert(entry->d_name);
    }
    closedir(dir);
    if (error != 0) found.clear();
    return error;
}

namespace {

// A path the system refuses as too long is reached folder by folder: the folder holding its last name is
// opened one name at a time and the name is used relative to it.
class ParentFolder {
  public:
    explicit ParentFolder(const std::string& path) {
        const std::size_t last = path.find_last_of('/');
        if (path.size() < PATH_MAX || last == std::string::npos) {
            name_ = path;
            return;
        }
        name_ = path.substr(last + 1);
        fd_ = open(path[0] == '/' ? "/" : ".", O_PATH | O_DIRECTORY | O_CLOEXEC);
        for (std::size_t from = path[0] == '/' ? 1 : 0; fd_ >= 0 && from < last;) {
            const std::size_t slash = path.find('/', from);
            const std::string part = path.substr(from, slash - from);
            from = slash + 1;
            if (part.empty()) continue;
            const int next = openat(fd_, part.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
            const int error = errno;
            close(fd_);
            fd_ = next;
            errno = error;
        }
        opened_ = fd_ >= 0;
    }
    ~ParentFolder() {
        if (fd_ >= 0) close(fd_);
    }
    ParentFolder(const ParentFolder&) = delete;
    ParentFolder& operator=(const ParentFolder&) = delete;

    bool Opened() const { return opened_; }
    int Fd() const { return fd_ >= 0 ? fd_ : AT_FDCWD; }
    const char* Name() const { return name_.c_str(); }

  private:
    int fd_ = -1;
    bool opened_ = true;
    std::string name_;
};

}  // namespace

bool MoveWithoutReplacing(const std::string& from, const std::string& to) {
    const ParentFolder source(from);
    if (!source.Opened()) return false;
    const ParentFolder target(to);
    if (!target.Opened()) return false;
    if (renameat2(source.Fd(), source.Name(), target.Fd(), target.Name(), RENAME_NOREPLACE) == 0) return true;
    if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP) return false;
    // The file system cannot promise not to replace. A new link never replaces anything, so link the file
    // under its new name and only then drop the old one.
    if (linkat(source.Fd(), source.Name(), target.Fd(), target.Name(), 0) != 0) return false;
    if (unlinkat(source.Fd(), source.Name(), 0) != 0) {
        const int error = errno;
        // Leave the file with its one old name rather than two.
        unlinkat(target.Fd(), target.Name(), 0);
        errno = error;
        return false;
    }
    return true;
}

bool RemoveEmptyFolder(const std::string& path) {
    const ParentFolder parent(path);
    return parent.Opened() && unlinkat(parent.Fd(), parent.Name(), AT_REMOVEDIR) == 0;
}

}  // namespace drovalin
