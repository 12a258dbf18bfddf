#pragma once

#include <QString>
#include <string>
#include <vector>

#include "listing/folder_listing.h"

namespace drovalin {

struct Notice {
    QString title;
    QString text;
};

// The texts the window shows about a drop. Paths and names are the file system's bytes, decoded for display.
Notice NotAFolderNotice(const std::string& path);
Notice FolderUnreadableNotice(const std::string& folder, const std::string& error);
Notice RebuildFailedNotice(const std::string& folder, const std::string& error);
// Names the files that were listed but could not be measured, each with its reason; a long list is cut after
// kLeftOutNamesShown names and the rest counted.
Notice LeftOutNotice(const std::vector<LeftOutFile>& leftOut);

inline constexpr int kLeftOutNamesShown = 40;

}  // namespace drovalin
