#include "names_table_view.h"

QModelIndex NamesTableView::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) {
    // In a table Home and End stay in the row; with a single column that would go nowhere.
    if (action == MoveHome || action == MoveEnd) modifiers |= Qt::ControlModifier;
    return QTableView::moveCursor(action, modifiers);
}
