#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "form1.h"
#include "form1_plan_commands.h"
#include "media_plan_model.h"
#include "plan/media_plan.h"
#include "plan_window.h"
#include "recording_doubles.h"
#include "sample_folder.h"
#include "search/folder_rebuild.h"

using drovalin::Form1;
using drovalin::MediaPlanModel;
using drovalin::PlanWindow;
using Names = std::vector<std::string>;

namespace {

class RecordingSplitDialogs : public drovalin::SplitDialogs {
  public:
    bool answer = true;
    std::vector<std::vector<drovalin::SplitMedium>> offered;
    QStringList reports;

    bool ConfirmSplit(const std::vector<drovalin::SplitMedium>& media) override {
        offered.push_back(media);
        return answer;
    }
    void ReportChangedFiles(const std::vector<std::string>& names) override {
        for (const std::string& name : names)
            reports << QStringLiteral("changed ") + QString::fromStdString(name);
    }
    void ReportExistingSubfolder(const std::string& subfolder) override {
        reports << QStringLiteral("exists ") + QString::fromStdString(subfolder);
    }
    void ReportSubfolderFailure(const std::string& subfolder, const std::string&) override {
        reports << QStringLiteral("cannot make ") + QString::fromStdString(subfolder);
    }
    void ReportMoveFailure(const std::string& name, const std::string&) override {
        reports << QStringLiteral("move failure ") + QString::fromStdString(name);
    }
};

bool Exists(const std::string& path) { return std::filesystem::exists(std::filesystem::path(path)); }

std::string Contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void Write(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// Clicks the main table's row whose names cell reads names.
void ClickRow(Form1& form, const QString& names) {
    QTableView* grid = form.MSHFlexGrid2();
    for (int row = 0; row < grid->model()->rowCount(); ++row) {
        const QModelIndex cell = grid->model()->index(row, 3);
        if (cell.data().toString() == names)
            QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(cell).center());
    }
}

QStringList RowTexts(const QAbstractItemModel& model, int row) {
    QStringList texts;
    for (int col = 0; col < model.columnCount(); ++col) texts << model.index(row, col).data().toString();
    return texts;
}

}  // namespace

class TestPlanWindow : public QObject {
    Q_OBJECT

  private slots:
    void init();
    void cleanup();

    void showsThePlan();
    void summarySaysOnlyWhatIsProven_data();
    void summarySaysOnlyWhatIsProven();
    void movesTheSelectedMedium_data();
    void movesTheSelectedMedium();
    void splitsIntoNumberedSubfolders_data();
    void splitsIntoNumberedSubfolders();
    void splitAfterOneMediumMoved();
    void savesTheCsv();
    void commandsFollowTheTables();
    void bestCombinationGoesThroughTheMove();
    void planCommandOpensTheWindow();
    void writesDiscImages();
    void wholeFolderCommandsSeeOnlyWhatIsThere_data();
    void wholeFolderCommandsSeeOnlyWhatIsThere();

  private:
    // Capacity 700: a 600, b 500, c 300, d 200 make three media (a | b | c, d); big (800) fits on none.
    std::unique_ptr<PlanWindow> OpenSample();

    std::unique_ptr<QTemporaryDir> dir_;
    std::string folder_;
    RecordingMoveDialogs moveDialogs_;
    RecordingSplitDialogs splitDialogs_;
    std::vector<drovalin::MoveRecord> remembered_;
    RecordingNotifier notifier_;
};

void TestPlanWindow::init() {
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
    folder_ = MakeFolder(dir_->path().toStdString(), "f",
                         {{"a", 600}, {"b", 500}, {"c", 300}, {"d", 200}, {"big", 800}});
    moveDialogs_ = {};
    splitDialogs_ = {};
    remembered_.clear();
    notifier_ = {};
}

void TestPlanWindow::cleanup() { dir_.reset(); }

void TestPlanWindow::summarySaysOnlyWhatIsProven_data() {
    QTest::addColumn<int>("media");
    QTest::addColumn<qint64>("proven");
    QTest::addColumn<bool>("cancelled");
    QTest::addColumn<QString>("start");
    QTest::newRow("at the bound") << 4 << qint64(4) << false
                                  << QStringLiteral("媒体 4 枚（最適（証明済み））");
    QTest::newRow("above the bound") << 5 << qint64(3) << false
                                     << QStringLiteral("媒体 5 枚（下限 3 枚、差 2 枚）");
    QTest::newRow("cancelled") << 5 << qint64(4) << true
                               << QStringLiteral("途中で止めた計画：媒体 5 枚（下限 4 枚、差 1 枚）");
}

void TestPlanWindow::summarySaysOnlyWhatIsProven() {
    QFETCH(int, media);
    QFETCH(qint64, proven);
    QFETCH(bool, cancelled);
    drovalin::MediaPlan plan;
    plan.capacity = 700;
    plan.media.resize(static_cast<std::size_t>(media));
    plan.lowerBound = 1;
    plan.provenBound = proven;
    plan.cancelled = cancelled;
    const QString text = PlanWindow::SummaryText(plan, drovalin::FileTable());
    QFETCH(QString, start);
    QVERIFY2(text.startsWith(start + QStringLiteral("　容量 700 KB")), qPrintable(text));
}

std::unique_ptr<PlanWindow> TestPlanWindow::OpenSample() {
    const drovalin::RebuildResult rebuilt = drovalin::RebuildFolder(folder_, 700);
    auto window =
        std::make_unique<PlanWindow>(folder_, rebuilt.files, drovalin::PlanMedia(*rebuilt.files, 700));
    window->SetSplitDialogs(&splitDialogs_);
    window->SetMoveRecorder(
        [this](drovalin::MoveRecord record) { remembered_.push_back(std::move(record)); });
    return window;
}

void TestPlanWindow::showsThePlan() {
    const auto window = OpenSample();
    QCOMPARE(window->windowTitle(), QStringLiteral("振り分け計画"));
    QCOMPARE(
        window->SummaryLine()->text(),
        QStringLiteral("媒体 3 枚（最適（証明済み））　容量 700 KB　媒体に入らないファイル 1 個（big）"));
    const QAbstractItemModel& model = window->Model();
    QStringList headers;
    for (int col = 0; col < model.columnCount(); ++col)
        headers << model.headerData(col, Qt::Horizontal).toString();
    QCOMPARE(headers, (QStringList{"番号", "合計サイズ", "ファイル数", "空き容量", "使用率", "ファイル名"}));
    QCOMPARE(model.rowCount(), 3);
    QCOMPARE(RowTexts(model, 0), (QStringList{"1", "600", "1", "100", "85.7 %", "a"}));
    QCOMPARE(RowTexts(model, 1), (QStringList{"2", "500", "1", "200", "71.4 %", "b"}));
    QCOMPARE(RowTexts(model, 2), (QStringList{"3", "500", "2", "200", "71.4 %", "c,d"}));
    QCOMPARE(model.index(2, MediaPlanModel::kNamesCol).data(Qt::ToolTipRole).toString(),
             QStringLiteral("c\nd"));
    QVERIFY(window->MoveButton()->isEnabled());
    QVERIFY(window->SplitButton()->isEnabled());
    QVERIFY(window->SaveButton()->isEnabled());
}

void TestPlanWindow::movesTheSelectedMedium_data() {
    QTest::addColumn<bool>("w3Exists");
    QTest::newRow("medium 3 into a new w3") << false;
    QTest::newRow("an existing w3 is never added to") << true;
}

void TestPlanWindow::movesTheSelectedMedium() {
    QFETCH(bool, w3Exists);
    if (w3Exists) {
        std::filesystem::create_directory(folder_ + "/w3");
        Write(folder_ + "/w3/d", "older d");
    }
    const auto window = OpenSample();
    window->MediaTable()->selectRow(2);
    QCOMPARE(window->MoveButton()->text(), QStringLiteral("選んだ媒体を w3 に移動…"));
    window->MoveButton()->click();

    if (w3Exists) {
        QCOMPARE(splitDialogs_.reports, QStringList{"exists w3"});
        QCOMPARE(Contents(folder_ + "/w3/d"), std::string("older d"));
        QVERIFY(Exists(folder_ + "/c") && Exists(folder_ + "/d") && remembered_.empty());
        return;
    }
    QCOMPARE(splitDialogs_.offered.at(0).at(0).subfolder, std::string("w3"));
    QVERIFY(Exists(folder_ + "/w3/c") && Exists(folder_ + "/w3/d") && !Exists(folder_ + "/w"));
    QCOMPARE(window->Model().index(2, 0).data().toString(), QStringLiteral("3（w3 に移動済み）"));
    // A moved medium is not offered again.
    QVERIFY(!window->MoveButton()->isEnabled());
    window->MoveSelectedMedium();
    QCOMPARE(splitDialogs_.offered.size(), std::size_t(1));
}

void TestPlanWindow::splitsIntoNumberedSubfolders_data() {
    QTest::addColumn<bool>("w2Exists");
    QTest::newRow("w1, w2, w3 made and filled") << false;
    QTest::newRow("an existing w2: nothing moved") << true;
}

void TestPlanWindow::splitsIntoNumberedSubfolders() {
    QFETCH(bool, w2Exists);
    if (w2Exists) Write(folder_ + "/w2", "in the way");
    const auto window = OpenSample();
    window->SplitButton()->click();

    const std::string f = folder_ + "/";
    if (w2Exists) {
        QCOMPARE(splitDialogs_.reports, QStringList{"exists w2"});
        QVERIFY(splitDialogs_.offered.empty());
        for (const char* name : {"a", "b", "c", "d", "big"}) QVERIFY(Exists(f + name));
        QVERIFY(!Exists(f + "w1") && !Exists(f + "w3"));
        QCOMPARE(Contents(f + "w2"), std::string("in the way"));
        QVERIFY(remembered_.empty());
        QVERIFY(window->SplitButton()->isEnabled());
        return;
    }
    QCOMPARE(splitDialogs_.offered.size(), std::size_t(1));
    QCOMPARE(splitDialogs_.offered[0].size(), std::size_t(3));
    QCOMPARE(splitDialogs_.offered[0][2].subfolder, std::string("w3"));
    QCOMPARE(splitDialogs_.offered[0][2].names, (Names{"c", "d"}));
    QVERIFY(splitDialogs_.reports.isEmpty());
    for (const char* path : {"w1/a", "w2/b", "w3/c", "w3/d", "big"}) QVERIFY2(Exists(f + path), path);
    QCOMPARE(remembered_.size(), std::size_t(1));
    QCOMPARE(remembered_[0].createdFolders, (Names{f + "w1", f + "w2", f + "w3"}));
    QCOMPARE(remembered_[0].moved.size(), std::size_t(4));
    QCOMPARE(window->Model().index(0, 0).data().toString(), QStringLiteral("1（w1 に移動済み）"));
    QVERIFY(!window->SplitButton()->isEnabled());
}

// Two media moved one after the other each get their own subfolder; the split then moves the rest.
void TestPlanWindow::splitAfterOneMediumMoved() {
    const auto window = OpenSample();
    window->MediaTable()->selectRow(0);
    window->MoveSelectedMedium();
    window->MediaTable()->selectRow(1);
    window->MoveSelectedMedium();
    window->SplitAll();
    const std::string f = folder_ + "/";
    QCOMPARE(splitDialogs_.offered.size(), std::size_t(3));
    QCOMPARE(splitDialogs_.offered[2].size(), std::size_t(1));
    for (const char* path : {"w1/a", "w2/b", "w3/c", "w3/d"}) QVERIFY2(Exists(f + path), path);
    QVERIFY(!Exists(f + "w"));
    QCOMPARE(remembered_.size(), std::size_t(3));
}

void TestPlanWindow::savesTheCsv() {
    const auto window = OpenSample();
    const std::string path = dir_->path().toStdString() + "/plan.csv";
    QCOMPARE(window->SaveTo(path), std::string());
    QCOMPARE(Contents(path),
             std::string("媒体番号,ファイル名,ファイルサイズ（KB）\r\n1,a,600\r\n2,b,500\r\n3,c,300\r\n"
                         "3,d,200\r\n,big,800\r\n"));
    QVERIFY(!window->SaveTo(dir_->path().toStdString() + "/missing/plan.csv").empty());
}

void TestPlanWindow::commandsFollowTheTables() {
    Form1 form;
    QList<QAction*> commands;
    for (QAction* action : form.CommandMenu()->actions()) {
        if (action->text().contains(QStringLiteral("最適")) ||
            action->text().contains(QStringLiteral("振り分け")))
            commands << action;
    }
    QCOMPARE(commands.size(), 2);
    QCOMPARE(commands[0]->text(), QStringLiteral("最適な組み合わせを移動…"));
    QCOMPARE(commands[0]->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_B));
    QCOMPARE(commands[1]->text(), QStringLiteral("全体の振り分け計画…"));
    QCOMPARE(commands[1]->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_P));
    QVERIFY(!commands[0]->isEnabled() && !commands[1]->isEnabled());

    form.Text1()->setText(QStringLiteral("700"));
    form.SetCurrentFolder(folder_);
    form.EmptyTables();
    form.RebuildTables();
    QVERIFY(commands[0]->isEnabled() && commands[1]->isEnabled());

    // A capacity no file is smaller than gives no rows.
    form.Text1()->setText(QStringLiteral("100"));
    form.EmptyTables();
    form.RebuildTables();
    QCOMPARE(form.Combinations().Rows(), 1);
    QVERIFY(!commands[0]->isEnabled() && !commands[1]->isEnabled());
}

// 70 + 50 + 50 beats every greedy walk (best 160) at capacity 180.
void TestPlanWindow::bestCombinationGoesThroughTheMove() {
    const std::string folder =
        MakeFolder(dir_->path().toStdString(), "g", {{"p", 70}, {"q", 60}, {"r", 50}, {"s", 50}});
    Form1 form;
    form.SetMoveDialogs(&moveDialogs_);
    moveDialogs_.answer = true;
    form.Text1()->setText(QStringLiteral("180"));
    form.SetCurrentFolder(folder);
    form.EmptyTables();
    form.RebuildTables();
    QCOMPARE(form.Combinations().Total(1), std::int64_t{160});
    // The capacity of the last rebuild counts, not what the box says now.
    form.Text1()->setText(QStringLiteral("1000"));
    form.findChild<drovalin::PlanCommands*>()->BestCombinationAction()->trigger();

    QCOMPARE(moveDialogs_.offered, (std::vector<Names>{{"p", "r", "s"}}));
    QCOMPARE(moveDialogs_.summaries, (Names{"合計サイズ 170 KB　空き容量 10 KB"}));
    for (const char* name : {"p", "r", "s"}) QVERIFY(Exists(folder + "/w/" + name));
    QVERIFY(Exists(folder + "/q"));
    QVERIFY(form.LastMove().has_value());
    QCOMPARE(form.LastMove()->moved.size(), std::size_t(3));
    // The tables stay as they were, as after any move.
    QCOMPARE(form.Combinations().Total(1), std::int64_t{160});
}

void TestPlanWindow::planCommandOpensTheWindow() {
    Form1 form;
    form.Text1()->setText(QStringLiteral("700"));
    form.SetCurrentFolder(folder_);
    form.EmptyTables();
    form.RebuildTables();
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QTest::keyClick(&form, Qt::Key_P, Qt::ControlModifier);
    auto* window = form.findChild<PlanWindow*>();
    QVERIFY(window != nullptr);
    QVERIFY(window->isVisible());
    QCOMPARE(window->windowModality(), Qt::WindowModal);
    QCOMPARE(window->Model().rowCount(), 3);
    window->close();
    QTRY_VERIFY(form.findChild<PlanWindow*>() == nullptr);
}

// One image per medium not moved yet; a second run finds w1.iso there and writes nothing.
void TestPlanWindow::writesDiscImages() {
    const auto window = OpenSample();
    QVERIFY(window->ImagesButton()->isEnabled());
    window->MediaTable()->selectRow(0);
    moveDialogs_.answer = true;
    window->MoveSelectedMedium();
    QVERIFY(window->Model().IsMoved(0));
    const std::string target = dir_->filePath("images").toStdString();
    QVERIFY(QDir().mkpath(QString::fromStdString(target)));
    QCOMPARE(window->WriteDiscImagesTo(target), QString());
    QVERIFY(!QFile::exists(QString::fromStdString(target + "/w1.iso")));
    for (const char* name : {"/w2.iso", "/w3.iso"}) {
        const QFileInfo image(QString::fromStdString(target + name));
        QVERIFY2(image.exists(), name);
        QVERIFY(image.size() > 500 * 1024 && image.size() <= 700 * 1024);
    }
    QFile(QString::fromStdString(target + "/w2.iso")).resize(5);
    const QString refused = window->WriteDiscImagesTo(target);
    QVERIFY2(refused.contains("w2.iso"), qPrintable(refused));
    QCOMPARE(QFileInfo(QString::fromStdString(target + "/w2.iso")).size(), qint64{5});
}

void TestPlanWindow::wholeFolderCommandsSeeOnlyWhatIsThere_data() {
    QTest::addColumn<bool>("removedOutside");
    QTest::newRow("c and d moved by a row click") << false;
    QTest::newRow("a removed by another program") << true;
}

// The tables stay as the listing made them, but the plan and the best combination must not offer what has
// left the folder since; and what w already holds is said before more goes into it.
void TestPlanWindow::wholeFolderCommandsSeeOnlyWhatIsThere() {
    QFETCH(bool, removedOutside);
    Form1 form;
    form.SetMoveDialogs(&moveDialogs_);
    form.SetNotifier(&notifier_);
    form.Text1()->setText(QStringLiteral("700"));
    form.SetCurrentFolder(folder_);
    form.EmptyTables();
    form.RebuildTables();
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    moveDialogs_.answer = true;
    if (removedOutside)
        QVERIFY(std::filesystem::remove(folder_ + "/a"));
    else
        ClickRow(form, QStringLiteral("c,d"));
    moveDialogs_.answer = false;
    form.findChild<drovalin::PlanCommands*>()->BestCombinationAction()->trigger();
    form.findChild<drovalin::PlanCommands*>()->PlanAction()->trigger();
    auto* window = form.findChild<PlanWindow*>();
    QVERIFY(window != nullptr);
    window->SetSplitDialogs(&splitDialogs_);
    window->SplitAll();

    const std::string f = folder_ + "/";
    if (removedOutside) {
        // The best set is a alone: it is named and nothing moves.
        QVERIFY(moveDialogs_.offered.empty());
        QCOMPARE(notifier_.notices.size(), std::size_t(1));
        QVERIFY(notifier_.notices[0].text.endsWith(QStringLiteral("\na")));
        QCOMPARE(splitDialogs_.reports, QStringList{"changed a"});
        for (const char* path : {"b", "c", "d"}) QVERIFY2(Exists(f + path), path);
        QVERIFY(!Exists(f + "w") && !Exists(f + "w1"));
        return;
    }
    QCOMPARE(window->Model().rowCount(), 2);
    QVERIFY(splitDialogs_.reports.isEmpty());
    for (const char* path : {"w/c", "w/d", "w1/a", "w2/b"}) QVERIFY2(Exists(f + path), path);
    QVERIFY(!Exists(f + "w3"));

    ClickRow(form, QStringLiteral("b"));
    const std::string held = "w フォルダには既に 2 個のファイル（500 KB）があります。合わせると ";
    const std::string full =
        " KB です。\n【注意】合わせると容量 700 KB に達するため、w フォルダの中身は 1 枚の媒体に入りません。";
    QCOMPARE(moveDialogs_.offered, (std::vector<Names>{{"c", "d"}, {"a"}, {"b"}}));
    QCOMPARE(moveDialogs_.summaries, (Names{"", "合計サイズ 600 KB　空き容量 100 KB\n" + held + "1100" + full,
                                            held + "1000" + full}));
}

QTEST_MAIN(TestPlanWindow)
#include "tst_plan_window.moc"
