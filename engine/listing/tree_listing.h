#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "listing/folder_listing.h"
#include "listing/item_unit.h"
#include "listing/rebuild_control.h"

namespace drovalin {

class FileTable;

// What listing a folder's items found besides the items themselves.
struct ListedTree {
    bool opened = false;
    std::string error;  // why the folder itself could not be read, when !opened
    // Files that could not be measured and folders that could not be read, by their path relative to the
    // folder; a folder's path ends in "/". Each unreadable folder is named once, not each file below it.
    std::vector<LeftOutFile> leftOut;
    // Folders not entered because they belong to another file system or mount (relative, ending in "/").
    std::vector<std::string> passedOver;
};

// Whether a top-level subfolder name is the program's own output: "w", or "w" followed by digits.
bool IsOutputFolderName(const std::string& name);

// Hands each item to add, after reserve(count) for them all: its name as the file table shows it and its
// size in bytes.
using ItemSink = std::function<void(std::string&& name, std::int64_t bytes)>;

// Lists the folder's items for the unit. kFolderFiles is ListAndMeasureFiles exactly. kFilesAndSubfolders
// adds each top-level subfolder as one item "name/" with the bytes of every regular file below it;
// kAllFiles lists every regular file below the folder as "sub/dir/name". In both, the top-level folders
// named as the program's output are left out, hidden names are left out as the folder's own are (inside a
// subfolder kept whole everything counts, as it moves along), links are never followed, and the walk stays
// on the folder's own file system and mount. A subfolder kept whole that cannot be read completely is left
// out whole. Several folders are read at once on the control's measuring threads, relative to open folder
// descriptors, so no path length limit applies; the items come in the same order whatever the threads.
// Nothing on disk is changed. Once stop is requested it returns soon, with nothing.
ListedTree ListItems(const std::string& folder, ItemUnit unit, const RebuildControl& control,
                     const std::function<void(std::size_t)>& reserve, const ItemSink& add);
// The same, appending the items to the table with their sizes in kilobytes (ByteToKilo of the bytes).
ListedTree ListItems(const std::string& folder, ItemUnit unit, const RebuildControl& control,
                     FileTable& files);

}  // namespace drovalin
