#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "listing/folder_listing.h"
#include "listing/rebuild_control.h"
#include "tables/combination_table.h"
#include "tables/file_table.h"

namespace drovalin {

// Everything one rebuild produces for the window.
struct RebuildResult {
    bool cancelled = false;  // stopped through the control: both tables are empty, nothing else is set
    bool folderOpened = false;
    std::string folderError;                         // why the folder could not be read, when !folderOpened
    std::shared_ptr<FileTable> files;                // never null
    std::shared_ptr<CombinationTable> combinations;  // never null; reads names from files
    std::vector<LeftOutFile> leftOut;                // files listed but not measured
};

// Lists and measures the folder, fills and sorts the file table and runs the combination search for the
// capacity (kilobytes). An unreadable folder gives empty tables and folderOpened == false.
RebuildResult RebuildFolder(const std::string& folder, std::int32_t capacity);

// Where a rebuild spent its time, in milliseconds.
struct RebuildTimings {
    double listMs = 0;    // listing, measuring and filling the file table
    double sortMs = 0;    // sorting the file table
    double searchMs = 0;  // the combination search, its sort included
};

// The same, also reporting where the time went.
RebuildResult RebuildFolder(const std::string& folder, std::int32_t capacity, RebuildTimings& timings);

// The same, run, reported and stopped through the control. A rebuild stopped before it returns comes back
// cancelled, whatever it had done.
RebuildResult RebuildFolder(const std::string& folder, std::int32_t capacity, const RebuildControl& control);
RebuildResult RebuildFolder(const std::string& folder, std::int32_t capacity, const RebuildControl& control,
                            RebuildTimings& timings);

}  // namespace drovalin
