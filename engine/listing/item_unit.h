#pragma once

#include <optional>

namespace drovalin {

// What one item of the file table stands for.
enum class ItemUnit {
    kFolderFiles = 1,         // the folder's own regular files
    kFilesAndSubfolders = 2,  // those, and each subfolder kept whole as one item named "name/"
    kAllFiles = 3,            // every regular file below the folder, named by its path relative to it
};

inline std::optional<ItemUnit> ItemUnitFromNumber(int number) {
    if (number < 1 || number > 3) return std::nullopt;
    return static_cast<ItemUnit>(number);
}

inline int ItemUnitNumber(ItemUnit unit) { return static_cast<int>(unit); }

}  // namespace drovalin
