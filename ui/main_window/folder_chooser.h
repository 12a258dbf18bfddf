#pragma once

#include <QString>

class QWidget;

namespace drovalin {

// Asks the user for a folder. The window asks with a dialog; tests answer without a screen.
class FolderChooser {
  public:
    virtual ~FolderChooser() = default;
    // The chosen folder, or an empty text when the user cancelled. start is where to begin, empty for none.
    virtual QString ChooseFolder(QWidget* parent, const QString& start) = 0;
};

}  // namespace drovalin
