#pragma once

#include "folder_chooser.h"

namespace drovalin {

// The folder chooser as Qt's own dialog, so that it speaks Japanese with Qt's translation whatever the
// desktop's dialogs would speak.
class DialogFolderChooser : public FolderChooser {
  public:
    QString ChooseFolder(QWidget* parent, const QString& start) override;
};

}  // namespace drovalin
