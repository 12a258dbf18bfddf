#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace drovalin {

// A file as the listing measured it.
struct ListedEntry {
    std::string name;  // the file system's bytes
    std::int64_t bytes;
};

// How a listing counted a file's bytes from its name and length (the disc count); unset, as its length.
using CountedBytes = std::function<std::int64_t(const std::string& name, std::int64_t bytes)>;

// The listed files that are no longer in the folder as they were listed: gone, no longer a regular file, or
// of another size (counted as the listing counted it). A plan made from the listing would otherwise offer
// them. In the order given.
std::vector<std::string> FilesChangedSinceListing(const std::string& folder,
                                                  const std::vector<ListedEntry>& files,
                                                  const CountedBytes& count = {});

// What a subfolder already holds: every regular file below it.
struct HeldFiles {
    std::int64_t count = 0;
    std::int64_t bytes = 0;
};

// A subfolder that is missing, or cannot be read, holds nothing a move could add to.
HeldFiles FilesHeldIn(const std::string& folder, const std::string& subfolder);

}  // namespace drovalin
