#include "bring_to_front.h"

#include <QWidget>

namespace drovalin {

void BringToFront(QWidget* window) {
    if (!window || window->isHidden()) return;
    if (window->isMinimized()) window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    window->raise();
    window->activateWindow();
}

}  // namespace drovalin
