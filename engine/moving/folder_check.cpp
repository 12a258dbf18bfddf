#include "moving/folder_check.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace drovalin {

std::vector<std::string> FilesChangedSinceListing(const std::string& folder,
                                                  const std::vector<ListedEntry>& files) {
    std::vector<std::string> changed;
    const int dirFd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    for (const ListedEntry& file : files) {
        struct stat st {};
        const bool same = dirFd >= 0 && fstatat(dirFd, file.name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
                          S_ISREG(st.st_mode) && st.st_size == file.bytes;
        if (!same) changed.push_back(file.name);
    }
    if (dirFd >= 0) close(dirFd);
    return changed;
}

HeldFiles FilesHeldIn(const std::string& folder, const std::string& subfolder) {
    HeldFiles held;
    DIR* dir = opendir((folder + "/" + subfolder).c_str());
    if (dir == nullptr) return held;
    for (const dirent* entry = readdir(dir); entry != nullptr; entry = readdir(dir)) {
        struct stat st {};
        if (fstatat(dirfd(dir), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode))
            continue;
        ++held.count;
        held.bytes += st.st_size;
    }
    closedir(dir);
    return held;
}

}  // namespace drovalin
