#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace drovalin {

struct ListedFile {
    std::string name;  // the file system's bytes, not necessarily UTF-8
    std::int64_t bytes;
};

// A file that was listed but could not be measured (removed since, no permission, I/O error).
struct LeftOutFile {
    std::string name;
    std::string reason;  // the system's error text, UTF-8
};

struct FolderNames {
    bool opened = false;
    std::string error;  // why the folder could not be read, when !opened
    std::vector<std::string> names;
};

struct MeasuredFiles {
    std::vector<ListedFile> files;
    std::vector<LeftOutFile> leftOut;
};

// Joins a folder and a name with one separator, whatever the folder ends with.
std::string JoinPath(const std::string& folder, const std::string& name);

// Names of the folder's entries that may be regular files: hidden names (beginning with ".") and entries
// known to be folders, symbolic links or special files are left out; subfolders are not entered. A listing
// that fails part-way gives opened == false, never a partial list.
FolderNames ListFolderNames(const std::string& folder);

// Measures each name: regular files are kept; folders, special files and symbolic links (whatever they point
// to, broken or not) are dropped silently; a name that cannot be measured is left out.
MeasuredFiles MeasureFiles(const std::string& folder, const std::vector<std::string>& names);
// The same, consuming the names, so a large folder's names are not held twice.
MeasuredFiles MeasureFiles(const std::string& folder, std::vector<std::string>&& names);

}  // namespace drovalin
