#pragma once

class QWidget;

namespace drovalin {

// Restores a minimised window to its former state, raises it above the others and activates it. A window not
// shown yet stays hidden.
void BringToFront(QWidget* window);

}  // namespace drovalin
