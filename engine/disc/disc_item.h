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

// The item a table name stands for: a subfolder kept whole is named with a trailing '/', which the image's
// name must not carry; anything else is a file, by its path relative to the folder.
inline DiscItem DiscItemOfName(const std::string& name) {
    if (!name.empty() && name.back() == '/') return {name.substr(0, name.size() - 1), true, 0};
    return {name, false, 0};
}

}  // namespace drovalin
