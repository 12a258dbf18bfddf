#pragma once

#include <string>
#include <vector>

#include "moving/combination_mover.h"

namespace drovalin {

// What taking a move back could not do.
struct UndoResult {
    struct NotReturned {
        std::string from;    // where the file still is, in the subfolder
        std::string to;      // where it was before the move
        std::string reason;  // Japanese, with the system's text (UTF-8)
    };
    struct KeptFolder {
        std::string path;
        bool holdsEntries;   // other files are in it: keeping it is the right thing
        std::string reason;  // why it could not be removed, when it does not hold entries
    };
    std::vector<NotReturned> notReturned;
    std::vector<KeptFolder> keptFolders;

    // Every file is back and every subfolder the move made is gone, or holds files it must keep.
    bool Complete() const;
};

// Moves the recorded files back, last moved first, never replacing a file, then removes each subfolder the
// move created once it is empty again. A file that cannot go back stays where the move put it.
UndoResult UndoMove(const MoveRecord& record);

}  // namespace drovalin
