#include "dropped_path.h"

#include <QByteArray>
#include <QMimeData>
#include <QUrl>

namespace drovalin {

std::optional<std::string> FirstLocalPath(const QMimeData* mime) {
    if (mime == nullptr || !mime->hasUrls()) return std::nullopt;
    for (const QUrl& url : mime->urls()) {
        if (!url.isLocalFile()) continue;
        // toLocalFile() would turn bytes that are not UTF-8 into U+FFFD.
        QByteArray bytes = QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
        if (bytes.isEmpty()) continue;
        const QString host = url.host();
        if (!host.isEmpty() && host != QLatin1String("localhost")) bytes.prepend("//" + host.toUtf8());
        return bytes.toStdString();
    }
    return std::nullopt;
}

}  // namespace drovalin
