#pragma once

class QLineEdit;
class QMenu;

namespace drovalin {

// Adds the submenu 「媒体の容量」 to menu: each common medium writes its capacity in kilobytes into box, as
// typing it would, so the box's own undo takes it back. With exact, the medium's whole data area (for sizes
// counted as a disc image takes them) instead of the area less the file system's reserve.
QMenu* AddMediaPresetsMenu(QMenu& menu, QLineEdit& box, bool exact = false);

}  // namespace drovalin
