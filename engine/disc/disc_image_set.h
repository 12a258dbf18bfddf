#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <future>
#include <string>
#include <vector>

#include "disc/disc_item.h"

namespace drovalin {

// One medium of a plan to write as the image wK.iso, K its number.
struct DiscMedium {
    int number = 0;
    std::vector<DiscItem> items;
};

// Bytes written of the medium's image out of its size; the medium's place among those written.
using DiscSetProgress = std::function<void(int index, int count, std::int64_t written, std::int64_t total)>;

struct DiscSetResult {
    std::vector<std::string> written;  // paths of the images finished, in order
    std::string error;                 // why it stopped (Japanese, UTF-8); empty when every image was written
    bool cancelled = false;
};

// Writes one image per medium into target. Nothing is written when an image name already exists, when an
// image would not fit capacityBytes (the box names it and by how much), or when target has too little free
// space for all of them. A cancelled or failed image is removed; those finished before it stay.
DiscSetResult WriteDiscImages(const std::string& folder, const std::vector<DiscMedium>& media,
                              const std::string& volumePrefix, std::int64_t capacityBytes,
                              const std::string& target, const DiscSetProgress& progress,
                              const std::atomic<bool>& cancel);

// WriteDiscImages on a thread of its own; progress is called on that thread. cancel must outlive the result.
std::future<DiscSetResult> StartWritingDiscImages(std::string folder, std::vector<DiscMedium> media,
                                                  std::string volumePrefix, std::int64_t capacityBytes,
                                                  std::string target, DiscSetProgress progress,
                                                  const std::atomic<bool>& cancel);

// The volume name of medium number: the prefix (at most 28 bytes, never cutting a character) and _K.
std::string DiscVolumeName(const std::string& prefix, int number);

}  // namespace drovalin
