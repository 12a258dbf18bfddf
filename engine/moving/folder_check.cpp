#include "moving/folder_check.h"

#include <fcntl.h>
#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

namespace drovalin {

std::vector<std::string> FilesChangedSinceListing(const std::string& folder,
                                                  const std::vector<ListedEntry>& files,
                                                  const CountedBytes& count) {
    std::vector<std::string> changed;
    const int dirFd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    for (const ListedEntry& file : files) {
        struct stat st {};
        // A subfolder kept whole ("2019/") is checked for being there; adding up its tree again would cost
        // as much as the listing did.
        const bool whole = !file.name.empty() && file.name.back() == '/';
        const std::string path = whole ? file.name.substr(0, file.name.size() - 1) : file.name;
        const bool there = dirFd >= 0 && fstatat(dirFd, path.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
        const bool same =
            there && (whole ? S_ISDIR(st.st_mode)
                            : S_ISREG(st.st_mode) && (count ? count(file.name, st.st_size)
                                                            : std::int64_t{st.st_size}) == file.bytes);
        if (!same) changed.push_back(file.name);
    }
    if (dirFd >= 0) close(dirFd);
    return changed;
}

namespace {

thread_local HeldFiles* heldNow = nullptr;

int CountRegularFile(const char*, const struct stat* st, int type, struct FTW*) {
    if (type == FTW_F && S_ISREG(st->st_mode)) {
        ++heldNow->count;
        heldNow->bytes += st->st_size;
    }
    return 0;
}

}  // namespace

HeldFiles FilesHeldIn(const std::string& folder, const std::string& subfolder) {
    // Items may be subfolders or files below subfolders, so everything below counts; links are not followed.
    HeldFiles held;
    heldNow = &held;
    nftw((folder + "/" + subfolder).c_str(), CountRegularFile, 16, FTW_PHYS);
    heldNow = nullptr;
    return held;
}

}  // namespace drovalin
