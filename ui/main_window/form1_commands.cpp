// The main window's everyday commands: a folder chosen in a dialog, the current folder listed again, the last
// move taken back; and the capacity box's menu of media.
#include <QAction>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <memory>
#include <unordered_set>

#include "capacity_presets_menu.h"
#include "form1.h"
#include "moving/move_undo.h"
#include "undo_notice.h"

namespace drovalin {

void Form1::AddEverydayCommands() {
    auto* open = new QAction(QStringLiteral("フォルダを開く…"), this);
    open->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    open->setToolTip(QStringLiteral("フォルダを選んで、ドロップしたときと同じように一覧を作ります"));
    connect(open, &QAction::triggered, this, &Form1::OpenFolder);
    AddCommand(open);

    reloadAction_ = new QAction(QStringLiteral("再読み込み"), this);
    reloadAction_->setShortcut(QKeySequence(Qt::Key_F5));
    reloadAction_->setToolTip(QStringLiteral("今のフォルダの一覧を、入力中の容量で作り直します"));
    connect(reloadAction_, &QAction::triggered, this, &Form1::ReloadFolder);
    AddCommand(reloadAction_);

    AddCommandSeparator();
    undoAction_ = new QAction(QStringLiteral("元に戻す"), this);
    undoAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    undoAction_->setToolTip(QStringLiteral("最後の移動で移したファイルを元のフォルダに戻します"));
    connect(undoAction_, &QAction::triggered, this, &Form1::UndoLastMove);
    AddCommand(undoAction_);

    // The box's own menu, with the media below its editing commands. The box handles its editing keys
    // (Ctrl+Z among them) before any window shortcut sees them.
    text1_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(text1_, &QWidget::customContextMenuRequested, this, &Form1::ShowCapacityMenu);
    UpdateEverydayCommands();
}

void Form1::UpdateEverydayCommands() {
    if (reloadAction_) reloadAction_->setEnabled(currentFolder_.has_value());
    if (undoAction_) undoAction_->setEnabled(lastMove_.has_value());
}

void Form1::SetFolderChooser(FolderChooser* chooser) {
    folderChooser_ = chooser ? chooser : ownFolderChooser_.get();
}

void Form1::OpenFolder() {
    const QString start =
        currentFolder_ ? QFile::decodeName(QByteArray::fromStdString(*currentFolder_)) : QString();
    const QString chosen = folderChooser_->ChooseFolder(this, start);
    // The window takes its shortcuts back from the dialog even without a window manager.
    activateWindow();
    if (chosen.isEmpty()) return;
    Form_OLEDragDrop(QFile::encodeName(chosen).toStdString());
}

void Form1::ReloadFolder() {
    if (!currentFolder_) return;
    EmptyTables();
    RebuildTables();
}

void Form1::UndoLastMove() {
    if (!lastMove_) return;
    // Only once: whatever the undo manages, the record is spent.
    const MoveRecord record = std::move(*lastMove_);
    lastMove_.reset();
    UpdateEverydayCommands();
    const UndoResult result = UndoMove(record);
    // Files back in the folder count for the whole-folder commands again.
    const std::size_t prefix = currentFolder_ ? currentFolder_->size() + 1 : 0;
    std::unordered_set<std::string> stayed;
    for (const UndoResult::NotReturned& file : result.notReturned) stayed.insert(file.to);
    for (const MoveRecord::Step& step : record.moved)
        if (stayed.count(step.from) == 0 && step.from.size() > prefix)
            movedNames_.erase(step.from.substr(prefix));
    if (!result.Complete()) {
        Warn(UndoNotice(result));
        activateWindow();
    }
}

void Form1::ShowCapacityMenu(const QPoint& atBox) {
    QMenu* menu = text1_->createStandardContextMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->addSeparator();
    AddMediaPresetsMenu(*menu, *text1_);
    menu->popup(text1_->mapToGlobal(atBox));
}

}  // namespace drovalin
