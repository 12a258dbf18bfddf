#pragma once

#include <string>
#include <vector>

namespace drovalin {

// What a move did, in order, so that it can be taken back.
struct MoveRecord {
    std::vector<std::string> createdFolders;  // subfolders the move made, as full paths
    struct Step {
        std::string from;
        std::string to;
    };
    std::vector<Step> moved;  // files that reached their subfolder, as full paths
};

}  // namespace drovalin
