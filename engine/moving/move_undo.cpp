#include "moving/move_undo.h"

#include <algorithm>
#include <cerrno>
#include <system_error>

#include "listing/file_error_reason.h"
#include "moving/file_move.h"

namespace drovalin {

namespace {

// Going back, a name in the way or a folder gone is about the place the file came from.
std::string ReasonText(int error) {
    const std::string system = std::system_category().message(error);
    switch (error) {
        case EEXIST:
        case ENOTEMPTY:
            return "元の場所に同じ名前の項目があります（" + system + "）";
        case ENOENT:
        case ENOTDIR:
            return "ファイルまたは元のフォルダが見つかりません（" + system + "）";
        case EBUSY:
            return "使用中です（" + system + "）";
        default:
            return FileErrorReason(error);
    }
}

}  // namespace

bool UndoResult::Complete() const {
    return notReturned.empty() && std::all_of(keptFolders.begin(), keptFolders.end(),
                                              [](const KeptFolder& k) { return k.holdsEntries; });
}

UndoResult UndoMove(const MoveRecord& record) {
    UndoResult result;
    for (auto step = record.moved.rbegin(); step != record.moved.rend(); ++step) {
        if (!MoveWithoutReplacing(step->to, step->from))
            result.notReturned.push_back({step->to, step->from, ReasonText(errno)});
    }
    for (auto folder = record.createdFolders.rbegin(); folder != record.createdFolders.rend(); ++folder) {
        if (RemoveEmptyFolder(*folder)) continue;
        const int error = errno;
        if (error == ENOENT) continue;  // already gone: nothing left to take back
        const bool holdsEntries = error == ENOTEMPTY || error == EEXIST;
        result.keptFolders.push_back(
            {*folder, holdsEntries, holdsEntries ? std::string() : ReasonText(error)});
    }
    return result;
}

}  // namespace drovalin
