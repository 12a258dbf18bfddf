#pragma once

#include <set>
#include <string>

namespace drovalin {

// A name must stay a single entry of its folder, or the paths built from it would reach elsewhere.
bool IsPlainName(const std::string& name);

// Which of the wanted names the folder holds, as entries of any kind. The folder itself is read rather than
// each path asked for: on a file system that ignores letter case a path "w" would also find "W", which is
// another name. Returns 0 or the errno of the failed read.
int FindEntries(const std::string& folder, const std::set<std::string>& wanted, std::set<std::string>& found);

// Renames from to to, which must not exist yet: an existing file is never replaced. Sets errno on failure.
// Paths longer than the system takes are reached folder by folder.
bool MoveWithoutReplacing(const std::string& from, const std::string& to);

// Removes the folder when it is empty (never anything it holds). Sets errno on failure.
bool RemoveEmptyFolder(const std::string& path);

}  // namespace drovalin
