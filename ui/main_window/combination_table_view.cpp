#include "combination_table_view.h"

#include <QScrollBar>

namespace drovalin {

void CombinationTableView::scrollTo(const QModelIndex& index, ScrollHint hint) {
    const int left = horizontalScrollBar()->value();
    QTableView::scrollTo(index, hint);
    horizontalScrollBar()->setValue(left);
}

}  // namespace drovalin
