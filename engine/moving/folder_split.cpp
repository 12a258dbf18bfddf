#include "moving/folder_split.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <set>

#include "listing/file_error_reason.h"
#include "moving/file_move.h"
#include "moving/folder_check.h"

namespace drovalin {
namespace {

// The first of the media's subfolders that an entry of the folder already names. Returns 0 or the errno of
// the failed read.
int FindTakenSubfolder(const std::string& folder, const std::vector<SplitMedium>& media, std::string& taken) {
    taken.clear();
    std::set<std::string> wanted;
    for (const SplitMedium& medium : media) wanted.insert(medium.subfolder);
    std::set<std::string> found;
    if (const int error = FindEntries(folder, wanted, found); error != 0) return error;
    for (const SplitMedium& medium : media) {
        if (found.count(medium.subfolder) != 0) {
            taken = medium.subfolder;
            break;
        }
    }
    return 0;
}

// Reports a taken or unreadable subfolder; true when the split may go on.
bool SubfoldersFree(const std::string& folder, const std::vector<SplitMedium>& media, SplitDialogs& dialogs,
                    SplitOutcome& outcome) {
    std::string taken;
    if (const int error = FindTakenSubfolder(folder, media, taken); error != 0) {
        dialogs.ReportSubfolderFailure(media.front().subfolder, FileErrorReason(error));
        outcome = SplitOutcome::SubfolderFailed;
        return false;
    }
    if (!taken.empty()) {
        dialogs.ReportExistingSubfolder(taken);
        outcome = SplitOutcome::SubfolderExists;
        return false;
    }
    return true;
}

}  // namespace

std::string SplitSubfolderName(std::size_t medium) {
    return std::string("w").append(std::to_string(medium + 1));
}

SplitOutcome SplitIntoSubfolders(const std::string& folder, const std::vector<SplitMedium>& media,
                                 SplitDialogs& dialogs, MoveRecord* record) {
    if (media.empty()) return SplitOutcome::Moved;
    for (const SplitMedium& medium : media) {
        if (!IsPlainName(medium.subfolder)) {
            dialogs.ReportSubfolderFailure(medium.subfolder, FileErrorReason(EINVAL));
            return SplitOutcome::SubfolderFailed;
        }
    }

    std::vector<ListedEntry> listed;
    for (const SplitMedium& medium : media)
        for (std::size_t i = 0; i < medium.bytes.size() && i < medium.names.size(); ++i)
            listed.push_back({medium.names[i], medium.bytes[i]});
    if (const std::vector<std::string> changed = FilesChangedSinceListing(folder, listed); !changed.empty()) {
        dialogs.ReportChangedFiles(changed);
        return SplitOutcome::FilesChanged;
    }

    SplitOutcome outcome = SplitOutcome::Moved;
    if (!SubfoldersFree(folder, media, dialogs, outcome)) return outcome;
    if (!dialogs.ConfirmSplit(media)) return SplitOutcome::Cancelled;
    // The folder may have changed while the question was open.
    if (!SubfoldersFree(folder, media, dialogs, outcome)) return outcome;

    for (const SplitMedium& medium : media) {
        const std::string target = folder + "/" + medium.subfolder;
        // mkdir never reuses an entry, so a subfolder made meanwhile by someone else is not filled.
        if (mkdir(target.c_str(), 0777) != 0) {
            const int error = errno;
            if (error == EEXIST) {
                dialogs.ReportExistingSubfolder(medium.subfolder);
                return SplitOutcome::SubfolderExists;
            }
            dialogs.ReportSubfolderFailure(medium.subfolder, FileErrorReason(error));
            return SplitOutcome::SubfolderFailed;
        }
        if (record) record->createdFolders.push_back(target);
        bool anyMoved = false;
        for (const std::string& name : medium.names) {
            const std::string from = folder + "/" + name;
            const std::string to = target + "/" + name;
            if (!IsPlainName(name) || !MoveWithoutReplacing(from, to)) {
                const int error = IsPlainName(name) ? errno : EINVAL;
                // An empty subfolder left behind would only block the next attempt.
                if (!anyMoved && rmdir(target.c_str()) == 0 && record) record->createdFolders.pop_back();
                dialogs.ReportMoveFailure(name, FileMoveErrorReason(error));
                return SplitOutcome::MoveFailed;
            }
            anyMoved = true;
            if (record) record->moved.push_back({from, to});
        }
    }
    return SplitOutcome::Moved;
}

}  // namespace drovalin
