#pragma once

#include <string>

#include "moving/move_record.h"

namespace drovalin {

// Whether a file-table name is an item the movers can take: a name of the folder ("a.jpg"), a subfolder
// kept whole ("2019/") or a file below the folder by its relative path ("2019/trip/a.jpg"). No part may be
// empty, "." or "..", so no item reaches outside the folder.
bool IsItemName(const std::string& name);

// Moves one item of folder into target, a folder inside folder that exists, never replacing anything: a
// file or a subfolder kept whole with one rename, a file below the folder after making its relative folders
// inside target when they are missing (each one made is added to record->createdFolders, in order). Links
// met on the way are never followed. On success the move is added to record->moved; on failure errno says
// why and the folders made so far stay recorded. record may be null.
bool MoveItem(const std::string& folder, const std::string& target, const std::string& name,
              MoveRecord* record);

}  // namespace drovalin
