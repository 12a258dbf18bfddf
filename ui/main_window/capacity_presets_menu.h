#pragma once

class QLineEdit;
class QMenu;

namespace drovalin {

// Adds the submenu 「媒体の容量」 to menu: each common medium writes its capacity in kilobytes into box, as
// typing it would, so the box's own undo takes it back.
QMenu* AddMediaPresetsMenu(QMenu& menu, QLineEdit& box);

}  // namespace drovalin
