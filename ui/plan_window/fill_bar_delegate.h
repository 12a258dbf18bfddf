#pragma once

#include <QStyledItemDelegate>

namespace drovalin {

// Draws a cell as a progress bar of the style in use: the model's fill (0 to 1000) with its text on it.
class FillBarDelegate : public QStyledItemDelegate {
    Q_OBJECT

  public:
    explicit FillBarDelegate(int fillRole, QObject* parent = nullptr);
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;

  private:
    int fillRole_;
};

}  // namespace drovalin
