#pragma once

#include <csignal>
#include <cstdint>
#include <string>
#include <vector>

namespace drovalin::bench {

// Byte sizes following a log-normal mix: 10 KB to 50 MB, median about 3 MB, with some duplicates and some
// 0-byte files. The same count always gives the same sizes.
std::vector<std::int64_t> SyntheticByteSizes(std::int64_t files);

// A temporary folder of sparse files (no disk space used) with the sizes of SyntheticByteSizes. Removed
// again on destruction.
class SyntheticFolder {
  public:
    // Creates the folder under base; stop is polled so an interrupted run can still clean up.
    SyntheticFolder(const std::string& base, std::int64_t files, const volatile std::sig_atomic_t& stop);
    ~SyntheticFolder();
    SyntheticFolder(const SyntheticFolder&) = delete;
    SyntheticFolder& operator=(const SyntheticFolder&) = delete;

    const std::string& Path() const { return path_; }
    // False when creation failed or was interrupted; Error() says why.
    bool Complete() const { return complete_; }
    const std::string& Error() const { return error_; }

  private:
    static std::string FileName(std::int64_t index);

    std::string path_;
    std::int64_t created_ = 0;
    bool complete_ = false;
    std::string error_;
};

}  // namespace drovalin::bench
