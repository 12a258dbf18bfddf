#include "disc/disc_tree.h"

#include <dirent.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>

namespace drovalin {

namespace {

std::string Leaf(const std::string& path) {
    std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool ReadFolder(const std::string& path, DiscEntry& dir, std::string& error) {
    DIR* d = opendir(path.c_str());
    if (!d) {
        error = "フォルダ「" + path + "」を読めません（" + std::strerror(errno) + "）。";
        return false;
    }
    bool ok = true;
    errno = 0;
    while (dirent* e = readdir(d)) {
        std::string name = e->d_name;
        if (name == "." || name == "..") continue;
        std::string child = path + "/" + name;
        struct stat st {};
        if (lstat(child.c_str(), &st) != 0) {
            error = "「" + child + "」を読めません（" + std::strerror(errno) + "）。";
            ok = false;
            break;
        }
        if (S_ISREG(st.st_mode)) {
            dir.children.push_back({name, false, st.st_size, {}});
        } else if (S_ISDIR(st.st_mode)) {
            dir.children.push_back({name, true, 0, {}});
            if (!ReadFolder(child, dir.children.back(), error)) {
                ok = false;
                break;
            }
        }
        errno = 0;
    }
    if (ok && errno != 0) {
        error = "フォルダ「" + path + "」を読めません（" + std::strerror(errno) + "）。";
        ok = false;
    }
    closedir(d);
    return ok;
}

}  // namespace

std::optional<DiscEntry> ReadDiscEntry(const std::string& folder, const DiscItem& item, std::string& error) {
    DiscEntry entry{Leaf(item.path), item.isFolder, item.isFolder ? 0 : item.bytes, {}};
    if (item.isFolder && !ReadFolder(folder + "/" + item.path, entry, error)) return std::nullopt;
    return entry;
}

std::optional<DiscEntry> ReadDiscTree(const std::string& folder, const std::vector<DiscItem>& items,
                                      std::string& error) {
    DiscEntry root{"", true, 0, {}};
    for (const DiscItem& item : items) {
        DiscEntry* dir = &root;
        std::size_t start = 0;
        for (std::size_t slash; (slash = item.path.find('/', start)) != std::string::npos;
             start = slash + 1) {
            std::string part = item.path.substr(start, slash - start);
            DiscEntry* found = nullptr;
            for (DiscEntry& c : dir->children)
                if (c.isFolder && c.name == part) found = &c;
            if (!found) {
                dir->children.push_back({part, true, 0, {}});
                found = &dir->children.back();
            }
            dir = found;
        }
        std::optional<DiscEntry> entry = ReadDiscEntry(folder, item, error);
        if (!entry) return std::nullopt;
        dir->children.push_back(std::move(*entry));
    }
    return root;
}

std::optional<std::int64_t> DiscItemBytes(const std::string& folder, const DiscItem& item,
                                          std::string& error) {
    std::optional<DiscEntry> entry = ReadDiscEntry(folder, item, error);
    if (!entry) return std::nullopt;
    std::int64_t bytes = DiscEntryBytes(*entry);
    std::size_t start = 0;
    for (std::size_t slash; (slash = item.path.find('/', start)) != std::string::npos; start = slash + 1)
        bytes += DiscParentFolderBytes(item.path.substr(start, slash - start));
    return bytes;
}

std::int64_t DiscFileBytes(const std::string& name, std::int64_t bytes) {
    return DiscEntryBytes({name, false, bytes, {}});
}

std::int64_t DiscFixedKilobytes() { return (DiscFixedBytes() + 1023) / 1024; }

}  // namespace drovalin
