#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace drovalin {

// A file as the listing measured it.
struct ListedEntry {
    std::string name;  // the file system's bytes
    std::int64_t bytes;
};

// The listed files that are no longer in the folder as they were listed: gone, no longer a regular file, or
// of another size. A plan made from the listing would otherwise offer them. In the order given.
std::vector<std::string> FilesChangedSinceListing(const std::string& folder,
                                                  const std::vector<ListedEntry>& files);

// What a subfolder already holds: its regular files, not looking further down.
struct HeldFiles {
    std::int64_t count = 0;
    std::int64_t bytes = 0;
};

// A subfolder that is missing, or cannot be read, holds nothing a move could add to.
HeldFiles FilesHeldIn(const std::string& folder, const std::string& subfolder);

}  // namespace drovalin
