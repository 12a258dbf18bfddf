#include "move_notices.h"

#include <QStringList>
#include <algorithm>

#include "tables/byte_to_kilo.h"

namespace drovalin {

std::string HeldFilesSummary(const std::string& subfolder, const HeldFiles& held, std::int64_t addingBytes,
                             std::int32_t capacity) {
    if (held.count == 0) return {};
    const std::int64_t together = held.bytes + addingBytes;
    std::string text = subfolder + " フォルダには既に " + std::to_string(held.count) + " 個のファイル（" +
                       std::to_string(ByteToKilo(held.bytes)) + " KB）があります。合わせると " +
                       std::to_string(ByteToKilo(together)) + " KB です。";
    if (together >= std::int64_t{capacity} * 1024)
        text += "\n【注意】合わせると容量 " + std::to_string(capacity) + " KB に達するため、" + subfolder +
                " フォルダの中身は 1 枚の媒体に入りません。";
    return text;
}

QString ChangedFilesTitle() { return QStringLiteral("フォルダが変わっています"); }

QString ChangedFilesText(const std::vector<std::string>& names) {
    QStringList lines;
    const std::size_t shown = std::min(names.size(), static_cast<std::size_t>(kChangedNamesShown));
    for (std::size_t i = 0; i < shown; ++i)
        lines << QString::fromUtf8(names[i].data(), static_cast<qsizetype>(names[i].size()));
    if (names.size() > shown) lines << QStringLiteral("…ほか %1 件").arg(names.size() - shown);
    return QStringLiteral(
               "一覧を作ったあとで、次の %1 個のファイルがなくなったか変わったため、ファイルは"
               "移動していません。\n再読み込み（F5）で一覧を作り直してから、もう一度お試しください。"
               "\n\n%2")
        .arg(names.size())
        .arg(lines.join(QLatin1Char('\n')));
}

}  // namespace drovalin
