#include "synthetic_folder.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <random>
#include <system_error>
#include <vector>

namespace drovalin::bench {
namespace {

std::string ErrorText(int error) { return std::error_code(error, std::generic_category()).message(); }

}  // namespace

std::vector<std::int64_t> SyntheticByteSizes(std::int64_t files) {
    std::mt19937_64 random(12345);
    std::lognormal_distribution<double> logNormal(std::log(3.0 * 1024 * 1024), 1.3);
    std::uniform_real_distribution<double> share(0.0, 1.0);
    constexpr double kMin = 10.0 * 1024;
    constexpr double kMax = 50.0 * 1024 * 1024;
    std::vector<std::int64_t> recent;  // sizes to draw duplicates from
    std::vector<std::int64_t> sizes;
    sizes.reserve(static_cast<std::size_t>(files));
    for (std::int64_t i = 0; i < files; ++i) {
        const double pick = share(random);
        std::int64_t bytes = 0;
        if (pick < 0.02) {
            bytes = 0;
        } else if (pick < 0.07 && !recent.empty()) {
            bytes = recent[static_cast<std::size_t>(share(random) * recent.size())];
        } else {
            bytes = static_cast<std::int64_t>(std::clamp(logNormal(random), kMin, kMax));
            if (recent.size() < 1024) recent.push_back(bytes);
        }
        sizes.push_back(bytes);
    }
    return sizes;
}

std::string SyntheticFolder::FileName(std::int64_t index) {
    char name[32];
    std::snprintf(name, sizeof(name), "photo-%07lld.jpg", static_cast<long long>(index));
    return name;
}

SyntheticFolder::SyntheticFolder(const std::string& base, std::int64_t files,
                                 const volatile std::sig_atomic_t& stop) {
    std::string pattern = base + "/drovalin-bench-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) {
        error_ = pattern + ": " + ErrorText(errno);
        return;
    }
    path_ = pattern;

    const std::vector<std::int64_t> sizes = SyntheticByteSizes(files);
    const int dirFd = open(path_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd < 0) {
        error_ = path_ + ": " + ErrorText(errno);
        return;
    }
    for (; created_ < files && !stop; ++created_) {
        const std::int64_t bytes = sizes[static_cast<std::size_t>(created_)];
        const std::string name = FileName(created_);
        const int fd = openat(dirFd, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd < 0 || ftruncate(fd, bytes) != 0) {
            error_ = name + ": " + ErrorText(errno);
            if (fd >= 0) {
                close(fd);
                ++created_;
            }
            close(dirFd);
            return;
        }
        close(fd);
    }
    close(dirFd);
    complete_ = created_ == files;
    if (!complete_) error_ = "interrupted";
}

SyntheticFolder::~SyntheticFolder() {
    if (path_.empty()) return;
    const int dirFd = open(path_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        for (std::int64_t i = 0; i < created_; ++i) unlinkat(dirFd, FileName(i).c_str(), 0);
        close(dirFd);
    }
    if (rmdir(path_.c_str()) != 0)
        std::fprintf(stderr, "could not remove %s: %s\n", path_.c_str(), ErrorText(errno).c_str());
}

}  // namespace drovalin::bench
