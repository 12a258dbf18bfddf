#include "undo_notice.h"

#include <QStringList>

namespace drovalin {

namespace {

QString Decoded(const std::string& bytes) { return QString::fromUtf8(bytes.data(), qsizetype(bytes.size())); }

// At most kLeftOutNamesShown lines, the rest counted.
QString CutList(const QStringList& lines) {
    if (lines.size() <= kLeftOutNamesShown) return lines.join(QLatin1Char('\n'));
    return (lines.mid(0, kLeftOutNamesShown)
            << QStringLiteral("…ほか %1 件").arg(lines.size() - kLeftOutNamesShown))
        .join(QLatin1Char('\n'));
}

}  // namespace

Notice UndoNotice(const UndoResult& result) {
    QStringList parts;
    if (!result.notReturned.empty()) {
        QStringList lines;
        for (const UndoResult::NotReturned& file : result.notReturned)
            lines << QStringLiteral("%1（%2）").arg(Decoded(file.from), Decoded(file.reason));
        parts << QStringLiteral(
                     "次の %1 件のファイルは元の場所に戻せなかったため、移動先に残しています。\n\n%2")
                     .arg(result.notReturned.size())
                     .arg(CutList(lines));
    }
    if (!result.keptFolders.empty()) {
        QStringList lines;
        for (const UndoResult::KeptFolder& folder : result.keptFolders)
            lines << (folder.holdsEntries
                          ? QStringLiteral("%1（中にファイルがあります）").arg(Decoded(folder.path))
                          : QStringLiteral("%1（%2）").arg(Decoded(folder.path), Decoded(folder.reason)));
        parts << QStringLiteral("移動で作ったフォルダのうち、次のものは削除せずに残しています。\n\n%1")
                     .arg(CutList(lines));
    }
    return {QStringLiteral("元に戻す"), parts.join(QStringLiteral("\n\n"))};
}

}  // namespace drovalin
