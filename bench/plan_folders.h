#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace drovalin::bench {

// The folders the plan is compared on, as kilobyte sizes for a capacity.
enum class PlanFolderKind {
    Mixed,   // 200 to 1,000 files, sizes spread log-uniformly from 1 KB to 90 % of the capacity
    Video,   // 60 to 250 files, each 15 to 55 % of the capacity
    Triplet  // 40 to 100 media filled exactly to capacity - 1 by three files of 25 to 50 % each, shuffled
};

const char* PlanFolderKindName(PlanFolderKind kind);
// media media filled exactly to capacity - 1 by three sizes of 25 to 50 % each, shuffled.
std::vector<std::int64_t> ExactTripletSizes(std::int64_t capacity, std::int64_t media,
                                            std::mt19937_64& random);
std::vector<std::int64_t> PlanFolderSizes(PlanFolderKind kind, std::int64_t capacity,
                                          std::mt19937_64& random);

// A temporary folder of sparse files, each exactly its kilobytes times 1024 bytes long, so every file
// measures to exactly its kilobytes. Removed again on destruction.
class KilobyteFolder {
  public:
    KilobyteFolder(const std::string& base, const std::vector<std::int64_t>& kilobytes);
    ~KilobyteFolder();
    KilobyteFolder(const KilobyteFolder&) = delete;
    KilobyteFolder& operator=(const KilobyteFolder&) = delete;

    const std::string& Path() const { return path_; }
    // Empty when every file was made, else why not.
    const std::string& Error() const { return error_; }

  private:
    std::string path_;
    std::size_t created_ = 0;
    std::string error_;
};

}  // namespace drovalin::bench
