#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "disc/disc_item.h"

namespace drovalin {

// Bytes written so far out of the image's total.
using DiscWriteProgress = std::function<void(std::int64_t written, std::int64_t total)>;

// A disc image of ISO 9660 level 3 (files of 4 GiB and more in several extents), Rock Ridge and Joliet,
// built from items of a folder. Rock Ridge keeps every name as its bytes; a name that is not valid UTF-8
// shows in Joliet escaped (\xHH), and Joliet shortens names that are too long for it.
class DiscImage {
  public:
    ~DiscImage();
    DiscImage(const DiscImage&) = delete;
    DiscImage& operator=(const DiscImage&) = delete;

    // Builds the image's directory trees; error (Japanese, UTF-8) says why when it returns null.
    static std::unique_ptr<DiscImage> Build(const std::string& folder, const std::vector<DiscItem>& items,
                                            const std::string& volumeName, std::string& error);

    // The exact size of the image file.
    std::int64_t Bytes() const { return bytes_; }

    // Writes the image to a new file at path (an existing file is never replaced). A cancelled or failed
    // write removes what it wrote. Returns an empty text on success, else why (Japanese, UTF-8); a cancel
    // gives kCancelled.
    std::string Write(const std::string& path, const DiscWriteProgress& progress,
                      const std::atomic<bool>& cancel);

    static constexpr const char* kCancelled = "キャンセルされました。";

  private:
    struct Tree;
    explicit DiscImage(std::unique_ptr<Tree> tree, std::int64_t bytes);
    std::unique_ptr<Tree> tree_;
    std::int64_t bytes_ = 0;
};

}  // namespace drovalin
