#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "disc/disc_item.h"
#include "disc/disc_layout.h"

namespace drovalin {

// The entry of an item as the writer takes it from the folder: a file with the item's length, a folder with
// its regular files and subfolders (links and special files are left out). error says why when it fails.
std::optional<DiscEntry> ReadDiscEntry(const std::string& folder, const DiscItem& item, std::string& error);

// The root of an image of the items, with the folders on the way to deeper items.
std::optional<DiscEntry> ReadDiscTree(const std::string& folder, const std::vector<DiscItem>& items,
                                      std::string& error);

// What the item adds to an image at most (DiscEntryBytes, and the folders on the way to it).
std::optional<std::int64_t> DiscItemBytes(const std::string& folder, const DiscItem& item,
                                          std::string& error);

// What a file adds at most to an image as one of its top items, in bytes; and the fixed part of every image
// in kilobytes, rounded up.
std::int64_t DiscFileBytes(const std::string& name, std::int64_t bytes);
std::int64_t DiscFixedKilobytes();

}  // namespace drovalin
