#pragma once

#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

#include "drop_notices.h"
#include "folder_chooser.h"
#include "listing/item_unit.h"
#include "moving/combination_mover.h"
#include "search/background_job.h"
#include "single_instance_guard.h"
#include "splash_holder.h"
#include "tables/combination_table.h"
#include "tables/file_table.h"
#include "user_notifier.h"

class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QTableView;
class QModelIndex;

namespace drovalin {

class CombinationTableModel;
class JobRunner;
class RebuildRunner;
struct RebuildProgressText;

// The main window: the capacity box, the instruction line and the combination table. A folder dropped on it
// is listed and searched; a click on a combination offers to move its files.
class Form1 : public QWidget {
    Q_OBJECT

  public:
    explicit Form1(QWidget* parent = nullptr);
    ~Form1() override;

    // The start-up: shows the splash, turns away a second instance, restores the remembered folder and
    // capacity and rebuilds the tables from them, then hides the splash. Returns false when another instance
    // is running: this one must then end at once, writing nothing. instanceKey keeps tests apart.
    bool Form_Load(const QString& instanceKey = SingleInstanceGuard::DefaultKey());
    // Shows what start-up had to tell the user, once the window itself is on screen.
    void ShowStartupNotices();

    // The folder being worked on, as the file system's bytes; unset until one is given.
    const std::optional<std::string>& CurrentFolder() const;
    void SetCurrentFolder(std::optional<std::string> folder);

    // Kilobytes, set from the capacity box's text.
    std::int32_t Capacity() const;
    QLineEdit* Text1() const;
    QTableView* MSHFlexGrid2() const;
    QLabel* InstructionLine() const;
    CombinationTableModel& CombinationModel() const;

    // The file table (never shown) and the combination table.
    const FileTable& Files() const;
    const CombinationTable& Combinations() const;

    // Drops every row of both tables.
    void EmptyTables();
    // Fills both tables from the current folder with the current capacity; the tables must be empty. Tells
    // the user about a folder it could not read and about files it had to leave out. The window keeps
    // painting but takes no input meanwhile; a long rebuild shows its progress (on the splash while starting)
    // and can be cancelled, which leaves both tables empty.
    void RebuildTables();
    // The rebuild running now, else nullptr.
    RebuildRunner* RunningRebuild() const;
    // Runs a job of the engine (a plan, a best combination) off the window's thread, as a rebuild runs: no
    // input meanwhile, a progress dialog titled title saying text after half a second, 「キャンセル」 and
    // Escape. False when it was cancelled, failed (the user is told) or another one runs.
    bool RunJob(const QString& title, const QString& text, Job job);
    // The job running now, else nullptr.
    JobRunner* RunningJob() const;
    // True once a close asked for during long work is on its way; nothing more should be asked then.
    bool Closing() const;
    // Test hook: runs before each file of a rebuild is measured, on the measuring threads.
    void SetMeasuringHook(std::function<void(const std::string& name)> hook);
    // Shows the given tables; the combination table reads its names from files.
    void ShowTables(std::shared_ptr<FileTable> files, std::shared_ptr<CombinationTable> combinations);

    // Offers a command in the combination table's context menu (right button, the Menu key, Shift+F10) and
    // by its shortcut anywhere in the window. Commands appear in the order they are added.
    void AddCommand(QAction* action);
    void AddCommandSeparator();
    // A submenu of the command menu; actions added to it are the caller's.
    QMenu* AddCommandMenu(const QString& title);
    QMenu* CommandMenu() const;

    // What one item of the tables is; the folder's own files unless the settings or the user chose
    // otherwise. Changing it rebuilds the current folder, as a reload does.
    ItemUnit Unit() const;
    void SetItemUnit(ItemUnit unit);

    // The last move of this run, whichever way it was started; the one an undo takes back. Its files no
    // longer count as in the folder for the whole-folder commands, until the tables are made again.
    void RememberMove(MoveRecord record);
    const std::optional<MoveRecord>& LastMove() const;
    // Marks, by file-table row, the files that moves of this run took out of the folder since the tables were
    // made; empty when there are none. The tables themselves keep every row.
    std::vector<bool> MovedRows() const;
    // Tells the user something, after start-up is over.
    void Warn(const Notice& notice);

    // The everyday commands, also in the command menu: 「フォルダを開く…」 takes a chosen folder as a drop,
    // 「再読み込み」 lists the current folder again with the capacity in the box, 「元に戻す」 takes the last
    // move back once.
    void OpenFolder();
    void ReloadFolder();
    void UndoLastMove();
    // 「ディスク上のサイズで数える」: file sizes are what each file takes on a disc image, and the image's
    // fixed part is taken off the capacity. Switching it lists the current folder again.
    bool DiscSize() const;
    void SetDiscSize(bool on);
    // Replaces the folder dialog, for use without a screen. The window does not own it; nullptr restores the
    // dialog.
    void SetFolderChooser(FolderChooser* chooser);

    // Where the combination table stands, in twips, after the last resize.
    QRectF CombinationTableGeometryTwips() const;

    // Replace the message boxes, for use without a screen. The window does not own them; nullptr restores the
    // message boxes.
    void SetMoveDialogs(MoveDialogs* dialogs);
    void SetNotifier(UserNotifier* notifier);
    // The boxes a move asks and reports through: the message boxes, or what SetMoveDialogs gave.
    MoveDialogs& MoveDialogsInUse() const;

    static QString InstructionText();

  protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void Form_Unload();
    void Form_Resize();
    void Form_OLEDragDrop(const std::string& path);
    void Text1_Change(const QString& text);
    void MSHFlexGrid2_Click(const QModelIndex& index);

    void MarkCapacityBox(bool invalid);
    bool ShowStartupProgress(const RebuildProgressText& progress);
    void CloseIfAsked();
    void ShowCommandMenu(const QPoint& atTable);
    void FitColumns();
    void AddEverydayCommands();
    void UpdateEverydayCommands();
    void ShowCapacityMenu(const QPoint& atBox);

    std::optional<std::string> currentFolder_;
    std::int32_t capacity_ = 0;
    ItemUnit unit_ = ItemUnit::kFolderFiles;
    std::shared_ptr<FileTable> files_;
    std::shared_ptr<CombinationTable> combinations_;
    std::optional<MoveRecord> lastMove_;
    std::unordered_set<std::string> movedNames_;
    QRectF tableTwips_;

    QLabel* instructionLine_;
    QLineEdit* text1_;
    QTableView* grid2_;
    CombinationTableModel* model_;
    QMenu* commandMenu_;
    QAction* reloadAction_ = nullptr;
    QAction* undoAction_ = nullptr;
    QAction* discSizeAction_ = nullptr;
    bool discSize_ = false;

    SplashHolder splash_;
    std::unique_ptr<SingleInstanceGuard> instanceGuard_;
    // While starting, notices wait until the window is shown; the splash would otherwise cover them.
    bool startingUp_ = false;
    std::vector<Notice> startupNotices_;
    bool unloaded_ = false;
    RebuildRunner* rebuildRunner_ = nullptr;
    JobRunner* jobRunner_ = nullptr;
    bool closeAfterRebuild_ = false;
    bool closing_ = false;
    std::function<void(const std::string&)> measuringHook_;

    std::unique_ptr<MoveDialogs> ownMoveDialogs_;
    std::unique_ptr<UserNotifier> ownNotifier_;
    std::unique_ptr<FolderChooser> ownFolderChooser_;
    MoveDialogs* moveDialogs_;
    UserNotifier* notifier_;
    FolderChooser* folderChooser_;
};

}  // namespace drovalin
