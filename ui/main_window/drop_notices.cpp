#include "drop_notices.h"

#include <QStringList>
#include <algorithm>

namespace drovalin {

namespace {

QString Decoded(const std::string& bytes) { return QString::fromUtf8(bytes.data(), qsizetype(bytes.size())); }

}  // namespace

Notice NotAFolderNotice(const std::string& path) {
    return {
        QStringLiteral("フォルダの指定"),
        QStringLiteral("ドロップされたものはフォルダではありません。\n%1\n\nフォルダをドラッグしてください。")
            .arg(Decoded(path))};
}

Notice FolderUnreadableNotice(const std::string& folder, const std::string& error) {
    return {QStringLiteral("フォルダの読み取り"),
            QStringLiteral("フォルダの中を読み取れませんでした。\n%1\n\n理由: %2")
                .arg(Decoded(folder), Decoded(error))};
}

Notice RebuildFailedNotice(const std::string& folder, const std::string& error) {
    return {QStringLiteral("エラー報告"),
            QStringLiteral("組み合わせの一覧を作れませんでした。\n%1\n\n理由: %2")
                .arg(Decoded(folder), Decoded(error))};
}

Notice LeftOutNotice(const std::vector<LeftOutFile>& leftOut) {
    QStringList lines;
    const std::size_t shown = std::min(leftOut.size(), static_cast<std::size_t>(kLeftOutNamesShown));
    for (std::size_t i = 0; i < shown; ++i) {
        lines << QStringLiteral("%1（%2）").arg(Decoded(leftOut[i].name), Decoded(leftOut[i].reason));
    }
    if (leftOut.size() > shown) lines << QStringLiteral("…ほか %1 件").arg(leftOut.size() - shown);
    // A folder's name ends in "/": it could not be read, so nothing in it was listed.
    const bool anyFolder = std::any_of(leftOut.begin(), leftOut.end(),
                                       [](const LeftOutFile& file) { return file.name.ends_with('/'); });
    const QString text =
        anyFolder ? QStringLiteral(
                        "次の %1 件のファイルやフォルダは読み取れなかったため、一覧に入れていません。"
                        "フォルダは中身ごと除いています。\n\n%2")
                  : QStringLiteral(
                        "次の %1 件のファイルは大きさを調べられなかったため、一覧に入れていません。\n\n%2");
    return {QStringLiteral("ファイルの読み取り"),
            text.arg(leftOut.size()).arg(lines.join(QLatin1Char('\n')))};
}

Notice PassedOverNotice(const std::vector<std::string>& folders) {
    QStringList lines;
    const std::size_t shown = std::min(folders.size(), static_cast<std::size_t>(kLeftOutNamesShown));
    for (std::size_t i = 0; i < shown; ++i) lines << Decoded(folders[i]);
    if (folders.size() > shown) lines << QStringLiteral("…ほか %1 件").arg(folders.size() - shown);
    return {QStringLiteral("別のファイルシステム"),
            QStringLiteral(
                "次の %1 件のフォルダは別のファイルシステム（マウントされた場所）にあるため、中を読まず、"
                "一覧に入れていません。\n\n%2")
                .arg(folders.size())
                .arg(lines.join(QLatin1Char('\n')))};
}

}  // namespace drovalin
