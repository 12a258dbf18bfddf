#pragma once

#include <csignal>
#include <cstdint>
#include <string>

namespace drovalin::bench {

// A temporary tree of sparse files with the sizes of SyntheticByteSizes: about files / 100 folders of
// files, three levels below the tree's top, and the folders above them. Removed again on destruction.
class SyntheticTree {
  public:
    SyntheticTree(const std::string& base, std::int64_t files, const volatile std::sig_atomic_t& stop);
    ~SyntheticTree();
    SyntheticTree(const SyntheticTree&) = delete;
    SyntheticTree& operator=(const SyntheticTree&) = delete;

    const std::string& Path() const { return path_; }
    std::int64_t Folders() const { return folders_; }
    bool Complete() const { return complete_; }
    const std::string& Error() const { return error_; }

  private:
    std::string path_;
    std::int64_t folders_ = 0;
    bool complete_ = false;
    std::string error_;
};

}  // namespace drovalin::bench
