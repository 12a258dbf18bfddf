#include "dialog_folder_chooser.h"

#include <QDir>
#include <QFileDialog>

namespace drovalin {

QString DialogFolderChooser::ChooseFolder(QWidget* parent, const QString& start) {
    return QFileDialog::getExistingDirectory(parent, QStringLiteral("フォルダを開く"),
                                             start.isEmpty() ? QDir::homePath() : start,
                                             QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
}

}  // namespace drovalin
