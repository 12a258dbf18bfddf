#pragma once

#include <QTableView>

// The confirmation's list of names: a one-column table, so rows of one fixed height are placed without
// visiting each of them. Home and End go to the first and the last name, as in a list.
class NamesTableView : public QTableView {
    Q_OBJECT

  public:
    using QTableView::QTableView;

  protected:
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
};
