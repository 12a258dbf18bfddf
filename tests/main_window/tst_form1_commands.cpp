#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMenu>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <memory>

#include "disc/disc_tree.h"
#include "folder_chooser.h"
#include "form1.h"
#include "recording_doubles.h"
#include "sample_folder.h"
#include "tables/combination_table.h"
#include "tables/file_table.h"

using drovalin::Form1;
using Names = std::vector<std::string>;

namespace {

// Answers the folder dialog with a path given in advance and remembers where it was asked to start.
class StubFolderChooser : public drovalin::FolderChooser {
  public:
    QString answer;
    QStringList starts;

    QString ChooseFolder(QWidget*, const QString& start) override {
        starts << start;
        return answer;
    }
};

Names NamesCellsOf(const drovalin::CombinationTable& table) {
    Names cells;
    for (int row = 1; row < table.Rows(); ++row) cells.push_back(table.Names(row));
    return cells;
}

QAction* Command(Form1& form, const QString& text) {
    for (QAction* action : form.CommandMenu()->actions())
        if (action->text() == text) return action;
    return nullptr;
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

bool Exists(const std::string& path) { return std::filesystem::exists(std::filesystem::path(path)); }

}  // namespace

class TestForm1Commands : public QObject {
    Q_OBJECT

  private slots:
    void init();
    void cleanup();

    void commandsInMenu();
    void chosenFolderTakenAsDrop_data();
    void chosenFolderTakenAsDrop();
    void chooserStartsAtCurrentFolder();
    void reloadListsFolderAgain();
    void undoTakesLastMoveBack();
    void undoNeverReplaces();
    void capacityBoxKeepsItsEditingKeys();
    void mediaPresetWritesCapacity();
    void everyStepByKeyboard();
    void unitFollowedByTableMoveAndUndo_data();
    void unitFollowedByTableMoveAndUndo();
    void discSizeCountsAsTheDisc();

  private:
    void ShowForm();
    // Types the capacity, shows the window and opens folder through the folder chooser.
    void OpenFolderAt(const std::string& folder, const char* capacity);
    void MoveFirstRow();

    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<Form1> form_;
    RecordingMoveDialogs dialogs_;
    RecordingNotifier notifier_;
    StubFolderChooser chooser_;
};

void TestForm1Commands::init() {
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
    dialogs_ = {};
    notifier_ = {};
    chooser_ = {};
    form_ = std::make_unique<Form1>();
    form_->SetMoveDialogs(&dialogs_);
    form_->SetNotifier(&notifier_);
    form_->SetFolderChooser(&chooser_);
}

void TestForm1Commands::cleanup() {
    form_.reset();
    dir_.reset();
}

void TestForm1Commands::ShowForm() {
    form_->show();
    QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
    QApplication::setActiveWindow(form_.get());
    form_->MSHFlexGrid2()->setFocus();
}

void TestForm1Commands::OpenFolderAt(const std::string& folder, const char* capacity) {
    form_->Text1()->setText(capacity);
    chooser_.answer = QString::fromStdString(folder);
    ShowForm();
    form_->OpenFolder();
}

void TestForm1Commands::MoveFirstRow() {
    dialogs_.answer = true;
    QTableView* grid = form_->MSHFlexGrid2();
    grid->selectRow(0);
    QTest::keyClick(grid, Qt::Key_Return);
}

void TestForm1Commands::commandsInMenu() {
    QStringList texts;
    for (QAction* action : form_->CommandMenu()->actions())
        if (!action->isSeparator()) texts << action->text() + " " + action->shortcut().toString();
    QCOMPARE(texts,
             (QStringList{"フォルダを開く… Ctrl+O", "再読み込み F5", "ディスク上のサイズで数える Ctrl+D",
                          "元に戻す Ctrl+Z", "最適な組み合わせを移動… Ctrl+B", "全体の振り分け計画… Ctrl+P",
                          "項目の単位 "}));
    // Nothing to reload and nothing to undo yet.
    QVERIFY(Command(*form_, "フォルダを開く…")->isEnabled());
    QVERIFY(!Command(*form_, "再読み込み")->isEnabled());
    QVERIFY(!Command(*form_, "元に戻す")->isEnabled());
}

void TestForm1Commands::chosenFolderTakenAsDrop_data() {
    QTest::addColumn<QString>("choice");
    QTest::addColumn<Names>("names");
    QTest::addColumn<int>("notices");
    QTest::newRow("a folder") << "second" << Names{"b1"} << 0;
    QTest::newRow("a folder named in Japanese") << "二番目" << Names{"b1"} << 0;
    QTest::newRow("a file") << "first/a1" << Names{"a2,a1", "a1"} << 1;
    QTest::newRow("cancelled") << "" << Names{"a2,a1", "a1"} << 0;
}

void TestForm1Commands::chosenFolderTakenAsDrop() {
    QFETCH(QString, choice);
    QFETCH(Names, names);
    QFETCH(int, notices);
    const std::string base = dir_->path().toStdString();
    const std::string first = MakeFolder(base, "first", {{"a1", 10}, {"a2", 20}});
    MakeFolder(base, "second", {{"b1", 30}});
    MakeFolder(base, "二番目", {{"b1", 30}});
    form_->Text1()->setText("100");
    chooser_.answer = dir_->path() + "/first";
    ShowForm();
    QTest::keyClick(form_->MSHFlexGrid2(), Qt::Key_O, Qt::ControlModifier);
    QCOMPARE(form_->CurrentFolder(), std::optional<std::string>(first));

    chooser_.answer = choice.isEmpty() ? QString() : dir_->path() + "/" + choice;
    QTest::keyClick(form_->MSHFlexGrid2(), Qt::Key_O, Qt::ControlModifier);

    QCOMPARE(chooser_.starts.size(), 2);
    const std::string expected =
        notices == 0 && !choice.isEmpty() ? base + "/" + choice.toStdString() : first;
    QCOMPARE(form_->CurrentFolder(), std::optional<std::string>(expected));
    QCOMPARE(NamesCellsOf(form_->Combinations()), names);
    QCOMPARE(int(notifier_.notices.size()), notices);
    if (notices) QVERIFY(notifier_.notices[0].text.contains(chooser_.answer));
}

void TestForm1Commands::chooserStartsAtCurrentFolder() {
    const std::string folder = MakeFolder(dir_->path().toStdString(), "フォルダ", {{"a", 1}});
    form_->OpenFolder();
    form_->SetCurrentFolder(folder);
    form_->OpenFolder();
    QCOMPARE(chooser_.starts, (QStringList{QString(), dir_->path() + "/フォルダ"}));
}

void TestForm1Commands::reloadListsFolderAgain() {
    const std::string folder = MakeFolder(dir_->path().toStdString(), "f", {{"big", 20}, {"small", 10}});
    form_->Text1()->setText("25");
    ShowForm();
    QTest::keyClick(form_->MSHFlexGrid2(), Qt::Key_F5);  // no folder yet: nothing happens
    QCOMPARE(form_->Combinations().Rows(), 1);
    chooser_.answer = QString::fromStdString(folder);
    form_->OpenFolder();
    QVERIFY(Command(*form_, "再読み込み")->isEnabled());
    QCOMPARE(NamesCellsOf(form_->Combinations()), (Names{"big", "small"}));

    MakeFolder(dir_->path().toStdString(), "f", {{"added", 3}});
    form_->Text1()->setFocus();
    form_->Text1()->selectAll();
    QTest::keyClicks(form_->Text1(), "40");
    QCOMPARE(NamesCellsOf(form_->Combinations()), (Names{"big", "small"}));
    QTest::keyClick(form_->Text1(), Qt::Key_F5);

    QCOMPARE(NamesCellsOf(form_->Combinations()), (Names{"big,small,added", "small,added", "added"}));
    QCOMPARE(form_->Combinations().Free(1), std::int64_t{7});
    QVERIFY(notifier_.notices.empty());
}

void TestForm1Commands::undoTakesLastMoveBack() {
    const std::string folder = MakeFolder(dir_->path().toStdString(), "f", {{"c1", 30}, {"c2", 20}});
    OpenFolderAt(folder, "100");
    MoveFirstRow();
    QVERIFY(Exists(folder + "/w/c1") && Exists(folder + "/w/c2"));
    QAction* undo = Command(*form_, "元に戻す");
    QVERIFY(undo->isEnabled());

    QTest::keyClick(form_->MSHFlexGrid2(), Qt::Key_Z, Qt::ControlModifier);

    QVERIFY(Exists(folder + "/c1") && Exists(folder + "/c2"));
    QVERIFY(!Exists(folder + "/w"));
    QVERIFY(!form_->LastMove().has_value());
    QVERIFY(!undo->isEnabled());
    QCOMPARE(NamesCellsOf(form_->Combinations()), (Names{"c1,c2", "c2"}));
    QVERIFY(notifier_.notices.empty());

    // Only once: moving the files again by hand is not a move of this run.
    std::filesystem::create_directory(folder + "/w");
    std::filesystem::rename(folder + "/c1", folder + "/w/c1");
    undo->trigger();
    form_->UndoLastMove();
    QVERIFY(Exists(folder + "/w/c1"));
    QVERIFY(notifier_.notices.empty());
}

void TestForm1Commands::undoNeverReplaces() {
    const std::string folder = MakeFolder(dir_->path().toStdString(), "f", {{"c1", 30}, {"c2", 20}});
    OpenFolderAt(folder, "100");
    MoveFirstRow();
    { std::ofstream(folder + "/c1", std::ios::binary) << "came back"; }

    form_->UndoLastMove();

    QCOMPARE(ReadAll(folder + "/c1"), std::string("came back"));
    QCOMPARE(std::filesystem::file_size(folder + "/w/c1"), std::uintmax_t(30 * 1024));
    QVERIFY(Exists(folder + "/c2") && !Exists(folder + "/w/c2"));
    QCOMPARE(notifier_.notices.size(), std::size_t(1));
    QCOMPARE(notifier_.notices[0].title, QString("元に戻す"));
    QVERIFY(notifier_.notices[0].text.contains(QString::fromStdString(folder + "/w/c1")));
    QVERIFY(!notifier_.notices[0].text.contains("c2"));
}

// In the capacity box Ctrl+Z undoes typing and leaves the move alone; the window's other shortcuts still
// work.
void TestForm1Commands::capacityBoxKeepsItsEditingKeys() {
    const std::string folder = MakeFolder(dir_->path().toStdString(), "f", {{"c1", 30}});
    OpenFolderAt(folder, "100");
    MoveFirstRow();
    QLineEdit* box = form_->Text1();
    box->setFocus();
    box->end(false);
    QTest::keyClicks(box, "7");
    QCOMPARE(box->text(), QString("1007"));

    QTest::keyClick(box, Qt::Key_Z, Qt::ControlModifier);

    QCOMPARE(box->text(), QString("100"));
    QCOMPARE(form_->Capacity(), 100);
    QVERIFY(form_->LastMove().has_value());
    QVERIFY(Exists(folder + "/w/c1"));
    QTest::keyClick(form_->MSHFlexGrid2(), Qt::Key_Z, Qt::ControlModifier);
    QVERIFY(!form_->LastMove().has_value());
    QVERIFY(Exists(folder + "/c1"));
}

void TestForm1Commands::mediaPresetWritesCapacity() {
    const std::string folder = MakeFolder(dir_->path().toStdString(), "f", {{"a", 10}});
    OpenFolderAt(folder, "5");
    QCOMPARE(form_->Combinations().Rows(), 1);
    QLineEdit* box = form_->Text1();
    QContextMenuEvent event(QContextMenuEvent::Keyboard, QPoint(5, 5), box->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(box, &event);
    QMenu* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    QVERIFY(menu);
    QMenu* media = nullptr;
    for (QAction* action : menu->actions())
        if (action->menu() && action->text() == "媒体の容量") media = action->menu();
    QVERIFY(media);
    QStringList items;
    for (QAction* action : media->actions()) items << action->text();
    QCOMPARE(items.size(), 5);
    QCOMPARE(items[1], QString("DVD±R（4.7GB）\t4544305 KB"));

    media->actions()[1]->trigger();
    menu->close();

    QCOMPARE(box->text(), QString("4544305"));
    QCOMPARE(form_->Capacity(), 4544305);
    QCOMPARE(form_->Combinations().Rows(), 1);  // typing never rebuilds
    box->undo();
    QCOMPARE(box->text(), QString("5"));
}

// Type the capacity, choose the folder, pick a row and confirm, without the mouse.
void TestForm1Commands::everyStepByKeyboard() {
    const std::string folder =
        MakeFolder(dir_->path().toStdString(), "f", {{"c1", 30}, {"c2", 20}, {"c3", 10}});
    chooser_.answer = QString::fromStdString(folder);
    ShowForm();
    QTableView* grid = form_->MSHFlexGrid2();
    QTest::keyClick(grid, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), form_->Text1());
    QTest::keyClicks(form_->Text1(), "45");
    QTest::keyClick(form_->Text1(), Qt::Key_O, Qt::ControlModifier);
    QCOMPARE(NamesCellsOf(form_->Combinations()), (Names{"c1,c3", "c2,c3", "c3"}));

    QTest::keyClick(form_->Text1(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), grid);
    QTest::keyClick(grid, Qt::Key_Home, Qt::ControlModifier);
    QTest::keyClick(grid, Qt::Key_Down);
    QTest::keyClick(grid, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), form_->Text1());
    QTest::keyClick(form_->Text1(), Qt::Key_Tab);
    dialogs_.answer = true;
    QTest::keyClick(grid, Qt::Key_Return);

    QCOMPARE(dialogs_.offered, (std::vector<Names>{{"c2", "c3"}}));
    QVERIFY(Exists(folder + "/w/c2") && Exists(folder + "/w/c3"));
}

void TestForm1Commands::unitFollowedByTableMoveAndUndo_data() {
    QTest::addColumn<int>("choice");
    QTest::addColumn<Names>("cells");
    QTest::addColumn<Names>("movedFiles");
    QTest::newRow("the folder's own files") << 0 << Names{"top"} << Names{"w/top"};
    QTest::newRow("files and whole subfolders")
        << 1 << Names{"sub/,top", "top"} << Names{"w/sub/x", "w/sub/deeper/y", "w/top"};
    QTest::newRow("every file") << 2 << Names{"sub/x,top,sub/deeper/y", "top,sub/deeper/y", "sub/deeper/y"}
                                << Names{"w/sub/x", "w/sub/deeper/y", "w/top"};
}

// The choice in the submenu rebuilds the table at once; the best row moves into w keeping the items' paths,
// and the undo brings everything back and removes the folders the move made.
void TestForm1Commands::unitFollowedByTableMoveAndUndo() {
    QFETCH(int, choice);
    QFETCH(Names, cells);
    QFETCH(Names, movedFiles);
    const std::string folder = MakeFolder(dir_->path().toStdString(), "f", {{"top", 10}});
    MakeFolder(folder, "sub", {{"x", 20}});
    MakeFolder(folder + "/sub", "deeper", {{"y", 5}});
    OpenFolderAt(folder, "100");
    QMenu* units = Command(*form_, "項目の単位")->menu();
    QCOMPARE(units->actions().size(), 3);
    QVERIFY(units->actions()[0]->isChecked());

    units->actions()[choice]->trigger();

    QVERIFY(units->actions()[choice]->isChecked());
    QCOMPARE(drovalin::ItemUnitNumber(form_->Unit()), choice + 1);
    QCOMPARE(NamesCellsOf(form_->Combinations()), cells);
    MoveFirstRow();
    for (const std::string& file : movedFiles) QVERIFY2(Exists(folder + "/" + file), file.c_str());
    form_->UndoLastMove();
    QVERIFY(!Exists(folder + "/w"));
    QVERIFY(Exists(folder + "/top") && Exists(folder + "/sub/x") && Exists(folder + "/sub/deeper/y"));
    QVERIFY(notifier_.notices.empty());
}

// The disc count changes the sizes and the capacity and lists the folder again; off, all is as before.
void TestForm1Commands::discSizeCountsAsTheDisc() {
    const std::string folder = MakeFolder(dir_->path().toStdString(), "f", {{"big", 20}, {"small", 10}});
    OpenFolderAt(folder, "100");
    QAction* disc = Command(*form_, "ディスク上のサイズで数える");
    QVERIFY(disc && disc->isCheckable() && !disc->isChecked());
    disc->trigger();
    QVERIFY(form_->DiscSize());
    const std::int64_t big = drovalin::DiscFileBytes("big", 20 * 1024);
    const std::int64_t small = drovalin::DiscFileBytes("small", 10 * 1024);
    QVERIFY(big > 20 * 1024 && small > 10 * 1024);
    QCOMPARE(form_->Files().Bytes(1), big);
    QCOMPARE(form_->Files().Bytes(2), small);
    QCOMPARE(form_->Combinations().Capacity(), std::int32_t(100 - drovalin::DiscFixedKilobytes()));

    disc->trigger();
    QVERIFY(!form_->DiscSize());
    QCOMPARE(form_->Files().Bytes(1), std::int64_t{20 * 1024});
    QCOMPARE(form_->Combinations().Capacity(), std::int32_t{100});
    QVERIFY(notifier_.notices.empty());
}

QTEST_MAIN(TestForm1Commands)
#include "tst_form1_commands.moc"
