#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "combination_table.h"
#include "file_table.h"
#include "folder_listing.h"

namespace drovalin {

// Everything one rebuild produces for the window.
struct RebuildResult {
    bool folderOpened = false;
    std::string folderError;  // why the folder could not be read, when !folderOpened
    std::shared_ptr<FileTable> files;                 // never null
    std::shared_ptr<CombinationTable> combinations;  // never null; reads names from files
    std::vector<LeftOutFile> leftOut;                // files listed but not measured
};

// Lists and measures the folder, fills and sorts the file table and runs the combination search for the
// capacity (kilobytes). An unreadable folder gives empty tables and folderOpened == false.
RebuildResult RebuildFolder(const std::string& folder, std::int32_t capacity);

}  // namespace drovalin
