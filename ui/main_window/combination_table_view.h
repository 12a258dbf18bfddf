#pragma once

#include <QTableView>

namespace drovalin {

// The combination table's view. Whole rows are selected, so bringing a cell into view only ever needs a
// vertical scroll; a horizontal one would push the numbers out of sight whenever a names cell is clicked.
class CombinationTableView : public QTableView {
    Q_OBJECT

  public:
    using QTableView::QTableView;

    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;
};

}  // namespace drovalin
