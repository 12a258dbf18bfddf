#include "moving/file_move.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
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

bool MoveWithoutReplacing(const std::string& from, const std::string& to) {
    if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
    if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP) return false;
    // The file system cannot promise not to replace. A new link never replaces anything, so link the file
    // under its new name and only then drop the old one.
    if (link(from.c_str(), to.c_str()) != 0) return false;
    if (unlink(from.c_str()) != 0) {
        const int error = errno;
        // Leave the file with its one old name rather than two.
        unlink(to.c_str());
        errno = error;
        return false;
    }
    return true;
}

}  // namespace drovalin
