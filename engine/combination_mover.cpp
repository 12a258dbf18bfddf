#include "combination_mover.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string_view>
#include <system_error>

#include "combination_table.h"

namespace drovalin {
namespace {

constexpr char kSubfolder[] = "w";

// Japanese wording for the usual causes; the system's own text is kept alongside for anything finer.
std::string ReasonText(int error) {
    const std::string system = std::system_category().message(error);
    const char* japanese = nullptr;
    switch (error) {
        case EACCES:
        case EPERM:
            japanese = "アクセスする権限がありません";
            break;
        case EROFS:
            japanese = "読み取り専用の媒体です";
            break;
        case EEXIST:
            japanese = "大文字と小文字だけが違う同じ名前の項目が既にあります";
            break;
        case ENOENT:
        case ENOTDIR:
            japanese = "フォルダが見つかりません";
            break;
        case ENOSPC:
        case EDQUOT:
            japanese = "空き容量が足りません";
            break;
        default:
            return system;
    }
    return std::string(japanese) + "（" + system + "）";
}

// Reads the folder itself rather than asking for the path "w": on a file system that ignores case that
// path would also find "W", which is not the subfolder. Returns 0 or the errno of the failed read.
int FindSubfolder(const std::string& folder, bool& found) {
    found = false;
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr) return errno;
    int error = 0;
    for (;;) {
        errno = 0;
        const dirent* entry = readdir(dir);
        if (entry == nullptr) {
            error = errno;
            break;
        }
        if (std::string_view(entry->d_name) == kSubfolder) {
            found = true;
            break;
        }
    }
    closedir(dir);
    return error;
}

// Empty on success, otherwise why "w" could not be found or made.
std::string EnsureSubfolder(const std::string& folder) {
    bool found = false;
    if (const int error = FindSubfolder(folder, found); error != 0) return ReasonText(error);
    if (found) return {};
    if (mkdir((folder + "/" + kSubfolder).c_str(), 0777) != 0) return ReasonText(errno);
    return {};
}

// A name must stay a single entry of the folder, or the paths built from it would reach elsewhere.
bool IsPlainName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
           name.find('\0') == std::string::npos;
}

bool MoveWithoutReplacing(const std::string& from, const std::string& to) {
    if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
    if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP) return false;
    // The file system cannot promise not to replace. A new link never replaces anything, so link the file
    // under its new name and only then drop the old one.
    if (link(from.c_str(), to.c_str()) != 0) return false;
    if (unlink(from.c_str()) != 0) {
        // Leave the file with its one old name rather than two.
        unlink(to.c_str());
        return false;
    }
    return true;
}

}  // namespace

MoveOutcome MoveCombination(const std::string& folder, const std::vector<std::string>& names,
                            MoveDialogs& dialogs) {
    if (!dialogs.ConfirmMove(names)) return MoveOutcome::Cancelled;
    if (const std::string reason = EnsureSubfolder(folder); !reason.empty()) {
        dialogs.ReportSubfolderFailure(reason);
        return MoveOutcome::SubfolderFailed;
    }
    const std::string sourceDir = folder + "/";
    const std::string targetDir = folder + "/" + kSubfolder + "/";
    for (const std::string& name : names) {
        if (!IsPlainName(name) || !MoveWithoutReplacing(sourceDir + name, targetDir + name)) {
            dialogs.ReportMoveFailure();
            return MoveOutcome::MoveFailed;
        }
    }
    return MoveOutcome::Moved;
}

std::vector<std::string> FilesOfClickedRow(const CombinationTable& table, int row) {
    if (row < 1 || row >= table.Rows()) return {};
    return table.FileNames(row);
}

}  // namespace drovalin
