#include "form1_unit_commands.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>

#include "form1.h"

namespace drovalin {

ItemUnitCommands::ItemUnitCommands(Form1& form)
    : QObject(&form),
      form_(form),
      menu_(form.AddCommandMenu(QStringLiteral("項目の単位"))),
      group_(new QActionGroup(this)) {
    struct Choice {
        ItemUnit unit;
        QString text;
        QString tip;
    };
    const Choice choices[] = {
        {ItemUnit::kFolderFiles, QStringLiteral("フォルダ直下のファイル"),
         QStringLiteral("フォルダのすぐ下にあるファイルだけを項目にします")},
        {ItemUnit::kFilesAndSubfolders, QStringLiteral("ファイルとサブフォルダ（フォルダごと）"),
         QStringLiteral("フォルダのすぐ下のファイルと、サブフォルダを中身ごと一つの項目にします")},
        {ItemUnit::kAllFiles, QStringLiteral("サブフォルダ内のファイルもすべて"),
         QStringLiteral("サブフォルダの中まで、すべてのファイルを一つずつ項目にします")},
    };
    group_->setExclusive(true);
    for (const Choice& choice : choices) {
        auto* action = new QAction(choice.text, group_);
        action->setCheckable(true);
        action->setToolTip(choice.tip);
        action->setData(ItemUnitNumber(choice.unit));
        menu_->addAction(action);
        connect(action, &QAction::triggered, this, [this, unit = choice.unit] { form_.SetItemUnit(unit); });
    }
    menu_->setToolTipsVisible(true);
    // The unit may change without the menu (the settings at start-up), so the marks follow it on every
    // opening.
    connect(menu_, &QMenu::aboutToShow, this, &ItemUnitCommands::ShowChecked);
    ShowChecked();
}

QMenu* ItemUnitCommands::Menu() const { return menu_; }

QAction* ItemUnitCommands::Action(ItemUnit unit) const {
    for (QAction* action : group_->actions())
        if (action->data().toInt() == ItemUnitNumber(unit)) return action;
    return nullptr;
}

void ItemUnitCommands::ShowChecked() { Action(form_.Unit())->setChecked(true); }

}  // namespace drovalin
