#include "capacity_presets_menu.h"

#include <QLineEdit>
#include <QMenu>

#include "plan/media_presets.h"

namespace drovalin {

QMenu* AddMediaPresetsMenu(QMenu& menu, QLineEdit& box) {
    QMenu* media = menu.addMenu(QStringLiteral("媒体の容量"));
    for (const MediaPreset& preset : MediaPresets()) {
        const QString kilobytes = QString::number(PresetKilobytes(preset.userDataBytes));
        const QString name = QString::fromUtf8(preset.name.data(), qsizetype(preset.name.size()));
        // The tab puts the number in the menu's right-hand column.
        QAction* action = media->addAction(name + QLatin1Char('\t') + kilobytes + QStringLiteral(" KB"));
        action->setToolTip(QStringLiteral("容量に %1 KB を入れます").arg(kilobytes));
        QObject::connect(action, &QAction::triggered, &box, [&box, kilobytes] {
            box.selectAll();
            box.insert(kilobytes);
        });
    }
    return media;
}

}  // namespace drovalin
