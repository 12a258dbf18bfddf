#include "settings_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <utility>

namespace drovalin {

SettingsFile::SettingsFile(QString name, QString what) : name_(std::move(name)), what_(std::move(what)) {}

std::optional<std::string> SettingsFile::Load() const {
    QFile file(name_);
    if (!file.exists()) return std::string();
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) return std::nullopt;
    return bytes.toStdString();
}

std::string SettingsFile::FirstLine() const {
    QFile file(name_);
    if (!file.open(QIODevice::ReadOnly)) return {};
    const QByteArray line = file.readLine();
    // A line ends at CR as well as at LF.
    const qsizetype end = line.indexOf('\r') >= 0 ? line.indexOf('\r') : line.indexOf('\n');
    return (end >= 0 ? line.left(end) : line).toStdString();
}

SettingsWriteResult SettingsFile::Save(const std::string& bytes) const {
    QSaveFile file(name_);
    if (!file.open(QIODevice::WriteOnly)) {
        // No temporary file beside it (a folder that cannot be written, say): the file itself may still be.
        const QFileInfo target(name_);
        if (target.isFile()) return SaveInPlace(bytes, file.errorString());
        return Failure(file.errorString());
    }
    if (file.write(bytes.data(), static_cast<qint64>(bytes.size())) != static_cast<qint64>(bytes.size())) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return Failure(reason);
    }
    if (!file.commit()) return Failure(file.errorString());
    return {};
}

SettingsWriteResult SettingsFile::SaveInPlace(const std::string& bytes, const QString& whyNotReplaced) const {
    QFile file(name_);
    // ExistingOnly: never create a file here, only rewrite the one that is there.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::ExistingOnly))
        return Failure(whyNotReplaced);
    const bool written =
        file.write(bytes.data(), static_cast<qint64>(bytes.size())) == static_cast<qint64>(bytes.size()) &&
        file.flush();
    QString reason = file.errorString();
    file.close();
    if (written && file.error() == QFileDevice::NoError) return {};
    if (written) reason = file.errorString();
    return Failure(reason);
}

SettingsWriteResult SettingsFile::Failure(const QString& reason) const {
    const QString path = QDir::toNativeSeparators(QDir::cleanPath(QFileInfo(name_).absoluteFilePath()));
    const QString detail = reason.isEmpty() ? QString() : QStringLiteral("（%1）").arg(reason);
    return {false,
            QStringLiteral("%1「%2」を保存できませんでした%3。").arg(what_, path, detail).toStdString()};
}

}  // namespace drovalin
