#pragma once

#include <cstdint>
#include <string>

namespace drovalin {

// One entry a disc image holds: a file, or a folder with everything inside it.
struct DiscItem {
    std::string path;  // relative to the folder, '/'-separated, the file system's bytes
    bool isFolder = false;
    std::int64_t bytes = 0;  // a file's length; not used for folders
};

}  // namespace drovalin
