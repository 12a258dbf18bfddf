#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace drovalin {

// A file or folder as a disc image holds it: name as the file system's bytes, a file's length, a folder's
// entries.
struct DiscEntry {
    std::string name;
    bool isFolder = false;
    std::int64_t bytes = 0;
    std::vector<DiscEntry> children;
};

inline constexpr std::int64_t kSectorBytes = 2048;

// The exact size of the image the writer makes of a root folder's entries: the same names, records and
// layout as libisofs gives ISO 9660 level 3 with Rock Ridge and Joliet.
std::int64_t DiscImageBytes(const DiscEntry& root);

// What one entry placed in a folder of the image adds to it at most, whatever else the image holds: its data
// in whole sectors, its directory records in both trees (with room for the sector ends they may leave
// unused and for a longer name should it clash with another), its path table entries and, for a folder,
// its own directories. The sum over a medium's entries plus DiscFixedBytes() is never below the image.
std::int64_t DiscEntryBytes(const DiscEntry& entry);

// What a folder made on the way to an entry (an item deeper than the top of the image) adds at most.
std::int64_t DiscParentFolderBytes(const std::string& name);

// The part of every image that does not depend on its entries: system area, volume descriptors, path
// tables and root directories, with room for the ends of their last sectors.
std::int64_t DiscFixedBytes();

}  // namespace drovalin
