#include "synthetic_tree.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <set>
#include <system_error>
#include <vector>

#include "child_process.h"
#include "synthetic_folder.h"

namespace drovalin::bench {
namespace {

std::string ErrorText(int error) { return std::error_code(error, std::generic_category()).message(); }

std::string Part(const char* prefix, std::int64_t index) {
    char text[32];
    std::snprintf(text, sizeof(text), "%s%03lld", prefix, static_cast<long long>(index));
    return text;
}

}  // namespace

SyntheticTree::SyntheticTree(const std::string& base, std::int64_t files,
                             const volatile std::sig_atomic_t& stop) {
    std::string pattern = base + "/drovalin-tree-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) {
        error_ = pattern + ": " + ErrorText(errno);
        return;
    }
    path_ = pattern;
    const std::int64_t leaves = std::max<std::int64_t>(1, files / 100);
    const auto side = static_cast<std::int64_t>(std::ceil(std::cbrt(static_cast<double>(leaves)) - 1e-9));
    const std::vector<std::int64_t> sizes = SyntheticByteSizes(files);
    std::set<std::string> made;
    const auto makeFolder = [&](const std::string& relative) {
        if (made.count(relative) != 0) return true;
        if (mkdir((path_ + "/" + relative).c_str(), 0755) != 0) {
            error_ = relative + ": " + ErrorText(errno);
            return false;
        }
        made.insert(relative);
        return true;
    };
    for (std::int64_t leaf = 0; leaf < leaves && !stop; ++leaf) {
        const std::string top = Part("top", leaf / (side * side));
        const std::string middle = top + "/" + Part("mid", (leaf / side) % side);
        const std::string bottom = middle + "/" + Part("leaf", leaf % side);
        if (!makeFolder(top) || !makeFolder(middle) || !makeFolder(bottom)) return;
        const int dirFd = open((path_ + "/" + bottom).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dirFd < 0) {
            error_ = bottom + ": " + ErrorText(errno);
            return;
        }
        // Files leaf, leaf + leaves, ... so every folder gets its share of the sizes.
        for (std::int64_t file = leaf; file < files; file += leaves) {
            char name[32];
            std::snprintf(name, sizeof(name), "img-%07lld.jpg", static_cast<long long>(file));
            const int fd = openat(dirFd, name, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
            if (fd < 0 || ftruncate(fd, sizes[static_cast<std::size_t>(file)]) != 0) {
                error_ = bottom + "/" + name + ": " + ErrorText(errno);
                if (fd >= 0) close(fd);
                close(dirFd);
                return;
            }
            close(fd);
        }
        close(dirFd);
    }
    folders_ = static_cast<std::int64_t>(made.size());
    complete_ = !stop;
    if (!complete_) error_ = "interrupted";
}

SyntheticTree::~SyntheticTree() {
    if (path_.empty()) return;
    if (TimeCommand({"rm", "-rf", "--", path_}) < 0)
        std::fprintf(stderr, "could not remove %s\n", path_.c_str());
}

}  // namespace drovalin::bench
