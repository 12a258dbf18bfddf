#pragma once

#include <QObject>

#include "listing/item_unit.h"

class QAction;
class QActionGroup;
class QMenu;

namespace drovalin {

class Form1;

// The submenu 「項目の単位」 of the combination table's menu: three exclusive choices of what one item of
// the tables is. Choosing another rebuilds the current folder, as a reload does.
class ItemUnitCommands : public QObject {
    Q_OBJECT

  public:
    explicit ItemUnitCommands(Form1& form);

    QMenu* Menu() const;
    QAction* Action(ItemUnit unit) const;

  private:
    void ShowChecked();

    Form1& form_;
    QMenu* menu_;
    QActionGroup* group_;
};

}  // namespace drovalin
