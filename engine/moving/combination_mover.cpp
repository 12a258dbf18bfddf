#include "moving/combination_mover.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <set>
#include <system_error>

#include "listing/file_error_reason.h"
#include "moving/file_move.h"
#include "tables/combination_table.h"

namespace drovalin {
namespace {

// Empty on success, otherwise why the subfolder could not be found or made; created tells whether this
// call made it.
std::string EnsureSubfolder(const std::string& folder, const std::string& subfolder, bool& created) {
    created = false;
    if (!IsPlainName(subfolder)) return FileErrorReason(EINVAL);
    std::set<std::string> found;
    if (const int error = FindEntries(folder, {subfolder}, found); error != 0) return FileErrorReason(error);
    if (!found.empty()) return {};
    if (mkdir((folder + "/" + subfolder).c_str(), 0777) != 0) return FileErrorReason(errno);
    created = true;
    return {};
}

}  // namespace

MoveOutcome MoveCombination(const std::string& folder, const std::vector<std::string>& names,
                            MoveDialogs& dialogs, const MoveOptions& options) {
    if (!dialogs.ConfirmMove(names, options.summary)) return MoveOutcome::Cancelled;
    bool created = false;
    if (const std::string reason = EnsureSubfolder(folder, options.subfolder, created); !reason.empty()) {
        dialogs.ReportSubfolderFailure(reason);
        return MoveOutcome::SubfolderFailed;
    }
    const std::string sourceDir = folder + "/";
    const std::string targetDir = folder + "/" + options.subfolder + "/";
    if (created && options.record) options.record->createdFolders.push_back(folder + "/" + options.subfolder);
    for (const std::string& name : names) {
        const std::string from = sourceDir + name;
        const std::string to = targetDir + name;
        if (!IsPlainName(name) || !MoveWithoutReplacing(from, to)) {
            dialogs.ReportMoveFailure();
            return MoveOutcome::MoveFailed;
        }
        if (options.record) options.record->moved.push_back({from, to});
    }
    return MoveOutcome::Moved;
}

std::vector<std::string> FilesOfClickedRow(const CombinationTable& table, int row) {
    if (row < 1 || row >= table.Rows()) return {};
    return table.FileNames(row);
}

}  // namespace drovalin
