#include "moving/move_undo.h"

#include <algorithm>
#include <cerrno>
#include <system_error>

#include "moving/file_move.h"

namespace drovalin {

namespace {

std::string ReasonText(int error) {
    const std::string system = std::system_category().message(error);
    const char* japanese = nullptr;
    switch (error) {
        case EEXIST:
        case ENOTEMPTY:
            japanese = "元の場所に同じ名前の項目があります";
            break;
        case ENOENT:
        case ENOTDIR:
            japanese = "ファイルまたは元のフォルダが見つかりません";
            break;
        case EACCES:
        case EPERM:
            japanese = "アクセスする権限がありません";
            break;
        case EROFS:
            japanese = "読み取り専用の媒体です";
            break;
        case EBUSY:
            japanese = "使用中です";
            break;
        default:
            return system;
    }
    return std::string(japanese) + "（" + system + "）";
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
