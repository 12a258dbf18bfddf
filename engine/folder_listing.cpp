#include "folder_listing.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

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

}  // namespace

std::string JoinPath(const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
    if (folder.back() == '/') return folder + name;
    return folder + '/' + name;
}

FolderNames ListFolderNames(const std::string& folder) {
    FolderNames result;
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr) {
        result.error = ErrorText(errno);
        return result;
    }
    for (;;) {
        errno = 0;
        const dirent* entry = readdir(dir);
        if (entry == nullptr) break;
        if (entry->d_name[0] == '.' || KnownNotFile(entry->d_type)) continue;
        result.names.emplace_back(entry->d_name);
    }
    const int readError = errno;
    closedir(dir);
    if (readError != 0) {
        // A listing cut short would silently miss files.
        result.error = ErrorText(readError);
        result.names.clear();
        return result;
    }
    result.opened = true;
    return result;
}

MeasuredFiles MeasureFiles(const std::string& folder, const std::vector<std::string>& names) {
    return MeasureFiles(folder, std::vector<std::string>(names));
}

MeasuredFiles MeasureFiles(const std::string& folder, std::vector<std::string>&& names) {
    std::vector<std::string> owned = std::move(names);  // freed on return, whatever the caller keeps
    MeasuredFiles result;
    const int dirFd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd < 0) {
        const std::string reason = ErrorText(errno);
        for (const std::string& name : owned) result.leftOut.push_back({name, reason});
        return result;
    }
    result.files.reserve(owned.size());
    for (std::string& name : owned) {
        if (name.empty() || name.find('/') != std::string::npos || name.find('\0') != std::string::npos) {
            result.leftOut.push_back({name, ErrorText(EINVAL)});
            continue;
        }
        struct stat st {};
        // The entry itself, not what a link points to: a link is no file of this folder.
        if (fstatat(dirFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
            result.leftOut.push_back({name, ErrorText(errno)});
            continue;
        }
        if (S_ISREG(st.st_mode)) result.files.push_back({std::move(name), st.st_size});
    }
    close(dirFd);
    return result;
}

}  // namespace drovalin
