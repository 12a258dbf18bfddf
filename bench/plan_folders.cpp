#include "plan_folders.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <system_error>

namespace drovalin::bench {
namespace {

std::string FileName(std::size_t index) {
    char name[32];
    std::snprintf(name, sizeof(name), "part-%05zu.bin", index);
    return name;
}

std::int64_t Uniform(std::mt19937_64& random, std::int64_t low, std::int64_t high) {
    return std::uniform_int_distribution<std::int64_t>(low, high)(random);
}

}  // namespace

const char* PlanFolderKindName(PlanFolderKind kind) {
    switch (kind) {
        case PlanFolderKind::Mixed:
            return "mixed";
        case PlanFolderKind::Video:
            return "video";
        case PlanFolderKind::Triplet:
            return "triplet";
    }
    return "?";
}

std::vector<std::int64_t> ExactTripletSizes(std::int64_t capacity, std::int64_t media,
                                            std::mt19937_64& random) {
    const std::int64_t limit = capacity - 1;
    const std::int64_t low = (limit + 3) / 4;
    const std::int64_t high = limit / 2;
    std::vector<std::int64_t> sizes;
    while (static_cast<std::int64_t>(sizes.size()) < 3 * media) {
        const std::int64_t a = Uniform(random, low, high);
        const std::int64_t b = Uniform(random, low, high);
        const std::int64_t c = limit - a - b;
        if (c < low || c > high) continue;
        sizes.insert(sizes.end(), {a, b, c});
    }
    std::shuffle(sizes.begin(), sizes.end(), random);
    return sizes;
}

std::vector<std::int64_t> PlanFolderSizes(PlanFolderKind kind, std::int64_t capacity,
                                          std::mt19937_64& random) {
    std::vector<std::int64_t> sizes;
    switch (kind) {
        case PlanFolderKind::Mixed: {
            const std::int64_t files = Uniform(random, 200, 1000);
            std::uniform_real_distribution<double> exponent(0.0,
                                                            std::log(0.9 * static_cast<double>(capacity)));
            for (std::int64_t i = 0; i < files; ++i)
                sizes.push_back(static_cast<std::int64_t>(std::exp(exponent(random))));
            break;
        }
        case PlanFolderKind::Video: {
            const std::int64_t files = Uniform(random, 60, 250);
            for (std::int64_t i = 0; i < files; ++i)
                sizes.push_back(Uniform(random, capacity * 15 / 100, capacity * 55 / 100));
            break;
        }
        case PlanFolderKind::Triplet:
            sizes = ExactTripletSizes(capacity, Uniform(random, 40, 100), random);
            break;
    }
    return sizes;
}

KilobyteFolder::KilobyteFolder(const std::string& base, const std::vector<std::int64_t>& kilobytes) {
    std::string pattern = base + "/drovalin-plan-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) {
        error_ = pattern + ": " + std::generic_category().message(errno);
        return;
    }
    path_ = pattern;
    for (const std::int64_t size : kilobytes) {
        const std::string name = FileName(created_);
        const int fd = open((path_ + "/" + name).c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd < 0) {
            error_ = name + ": " + std::generic_category().message(errno);
            return;
        }
        ++created_;
        const bool sized = ftruncate(fd, size * 1024) == 0;
        close(fd);
        if (!sized) {
            error_ = name + ": " + std::generic_category().message(errno);
            return;
        }
    }
}

KilobyteFolder::~KilobyteFolder() {
    if (path_.empty()) return;
    for (std::size_t i = 0; i < created_; ++i) unlink((path_ + "/" + FileName(i)).c_str());
    rmdir(path_.c_str());
}

}  // namespace drovalin::bench
