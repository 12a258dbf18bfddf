#pragma once

#include <QWidget>

namespace drovalin {

// The program's loaded windows in the order they were loaded. A window leaves the collection when it is
// unloaded or destroyed.
class LoadedForms {
  public:
    // Adds a window at the end; a window already loaded keeps its place.
    static void Load(QWidget* form);
    // Removes a window from the collection without closing it.
    static void Forget(QWidget* form);
    static int Count();
    // The window at index (0 is the first loaded); index must be below Count().
    static QWidget* Item(int index);
};

}  // namespace drovalin
