#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "listing/rebuild_control.h"

namespace drovalin {

class FileTable;

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
// The same, reporting the names found so far; a listing stopped through the control gives opened == false.
FolderNames ListFolderNames(const std::string& folder, const RebuildControl& control);

// Measures each name: regular files are kept with their sizes; folders, symbolic links (whatever they point
// to) and special files are dropped silently; a name that cannot be measured is left out. Files and
// left-out names keep the order of the names, however many threads measure them.
MeasuredFiles MeasureFiles(const std::string& folder, const std::vector<std::string>& names);
// The same, consuming the names, so a large folder's names are not held twice.
MeasuredFiles MeasureFiles(const std::string& folder, std::vector<std::string>&& names);
// The same on the control's measuring threads, reporting files measured out of names given. Once stop is
// requested it returns soon, with nothing measured.
MeasuredFiles MeasureFiles(const std::string& folder, std::vector<std::string>&& names,
                           const RebuildControl& control);

struct ListedFolder {
    bool opened = false;
    std::string error;  // why the folder could not be read, when !opened
    MeasuredFiles measured;
};

// ListFolderNames and MeasureFiles at once: the measuring threads take the first names while the listing
// goes on, reporting files measured out of names listed so far. The same result as the two in turn, which
// is what one measuring thread does. Once stop is requested it returns soon, with nothing.
ListedFolder ListAndMeasureFiles(const std::string& folder, const RebuildControl& control);
// The same, appending the files straight to the table with their sizes in bytes, so a large folder's names
// are moved once and never held in two lists; measured.files stays empty.
ListedFolder ListAndMeasureFiles(const std::string& folder, const RebuildControl& control, FileTable& files);

}  // namespace drovalin
