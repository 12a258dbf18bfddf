#include "listing/file_error_reason.h"

#include <cerrno>
#include <system_error>

namespace drovalin {

// Japanese wording for the usual causes; the system's own text is kept alongside for anything finer.
std::string FileErrorReason(int error) {
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

std::string FileMoveErrorReason(int error) {
    const std::string system = std::system_category().message(error);
    if (error == ENOENT) return "ファイルが見つかりません（" + system + "）";
    if (error == EEXIST) return "移動先に同じ名前の項目が既にあります（" + system + "）";
    return FileErrorReason(error);
}

}  // namespace drovalin
