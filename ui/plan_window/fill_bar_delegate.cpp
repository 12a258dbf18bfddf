#include "fill_bar_delegate.h"

#include <QApplication>
#include <QPainter>
#include <QStyleOptionProgressBar>

namespace drovalin {

FillBarDelegate::FillBarDelegate(int fillRole, QObject* parent)
    : QStyledItemDelegate(parent), fillRole_(fillRole) {}

void FillBarDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                            const QModelIndex& index) const {
    QStyleOptionViewItem item = option;
    initStyleOption(&item, index);
    // The row's selection and background first, then the bar inside a small margin.
    item.text.clear();
    QStyle* style = option.widget ? option.widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &item, painter, option.widget);

    QStyleOptionProgressBar bar;
    bar.initFrom(option.widget);
    bar.rect = option.rect.adjusted(2, 2, -2, -2);
    bar.minimum = 0;
    bar.maximum = 1000;
    bar.progress = index.data(fillRole_).toInt();
    bar.text = index.data(Qt::DisplayRole).toString();
    bar.textVisible = true;
    bar.textAlignment = Qt::AlignCenter;
    bar.state = option.state | QStyle::State_Horizontal;
    style->drawControl(QStyle::CE_ProgressBar, &bar, painter, option.widget);
}

}  // namespace drovalin
