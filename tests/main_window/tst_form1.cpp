#include <sys/stat.h>
#include <unistd.h>
#include <QAccessible>
#include <QAction>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QFontMetrics>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QScrollBar>
#include <QStyle>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <memory>

#include "combination_table_model.h"
#include "form1.h"
#include "message_box_notifier.h"
#include "recording_doubles.h"
#include "sample_folder.h"
#include "tables/combination_table.h"
#include "tables/file_table.h"
#include "twips.h"

using drovalin::CombinationTable;
using drovalin::CombinationTableModel;
using drovalin::FileTable;
using drovalin::Form1;
using Names = std::vector<std::string>;

namespace {

Names FileNamesOf(const FileTable& files) {
    Names names;
    for (int row = 1; row < files.Rows(); ++row) names.push_back(files.Name(row));
    return names;
}

Names NamesCellsOf(const CombinationTable& table) {
    Names cells;
    for (int row = 1; row < table.Rows(); ++row) cells.push_back(table.Names(row));
    return cells;
}

std::unique_ptr<QMimeData> UrlData(const QList<QUrl>& urls) {
    auto mime = std::make_unique<QMimeData>();
    mime->setUrls(urls);
    return mime;
}

}  // namespace

class TestForm1 : public QObject {
    Q_OBJECT

  private slots:
    void init();
    void cleanup();

    void dropTakesFirstFolder_data();
    void dropTakesFirstFolder();
    void secondDropReplacesEveryRow();
    void typedCapacityWaitsForNextDrop();
    void capacityText_data();
    void capacityText();
    void dragAcceptance_data();
    void dragAcceptance();
    void dropOfNonFolderChangesNothing_data();
    void dropOfNonFolderChangesNothing();
    void folderNameThatIsNotUtf8();
    void unmeasurableFilesAreNamed();
    void unmeasurableFileIsNamed();
    void tableGeometry_data();
    void tableGeometry();
    void windowResizePlacesTable_data();
    void windowResizePlacesTable();
    void everyCellOfARowOffersItsFiles();
    void keyboardOffersSelectedRow_data();
    void keyboardOffersSelectedRow();
    void confirmedMoveLeavesTables();
    void commandMenuFromKeyboardAndShortcut_data();
    void commandMenuFromKeyboardAndShortcut();
    void windowIdentity();
    void instructionLine();
    void labelsReadAsShown();
    void headerTexts();
    void numberColumnsShowWholeNumbers_data();
    void numberColumnsShowWholeNumbers();
    void millionRowsScrollMakesOnlyVisibleNames();

  private:
    void Drop(const QList<QUrl>& urls, QPoint at = QPoint(300, 200));
    void Click(int row, int column);

    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<Form1> form_;
    RecordingMoveDialogs dialogs_;
    RecordingNotifier notifier_;
};

void TestForm1::init() {
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
    dialogs_ = {};
    notifier_ = {};
    form_ = std::make_unique<Form1>();
    form_->SetMoveDialogs(&dialogs_);
    form_->SetNotifier(&notifier_);
}

void TestForm1::cleanup() {
    form_.reset();
    dir_.reset();
}

// Delivers the drag the way the platform does: to the window, which finds the widget under the pointer.
void TestForm1::Drop(const QList<QUrl>& urls, QPoint at) {
    if (!form_->isVisible()) {
        form_->show();
        QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
    }
    const auto mime = UrlData(urls);
    QDragEnterEvent enter(at, Qt::CopyAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(form_->windowHandle(), &enter);
    QDropEvent drop(at, Qt::CopyAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(form_->windowHandle(), &drop);
    QVERIFY(drop.isAccepted());
    QCoreApplication::processEvents();
}

void TestForm1::Click(int row, int column) {
    QTableView* grid = form_->MSHFlexGrid2();
    const QModelIndex index = grid->model()->index(row, column);
    grid->scrollTo(index);
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(index).center());
}

void TestForm1::dropTakesFirstFolder_data() {
    QTest::addColumn<QPoint>("at");
    QTest::newRow("on the table") << QPoint(300, 200);
    QTest::newRow("on the capacity box") << QPoint(20, 8);
    QTest::newRow("on the instruction line") << QPoint(400, 8);
}

void TestForm1::dropTakesFirstFolder() {
    QFETCH(QPoint, at);
    const std::string base = dir_->path().toStdString();
    const std::string first = MakeFolder(base, "first", {{"a1", 10}, {"a2", 20}});
    const std::string second = MakeFolder(base, "second", {{"b1", 30}});
    form_->Text1()->setText("100");

    Drop({FileUrl(first), FileUrl(second)}, at);

    QCOMPARE(form_->CurrentFolder(), std::optional<std::string>(first));
    QCOMPARE(FileNamesOf(form_->Files()), (Names{"a2", "a1"}));
    QCOMPARE(NamesCellsOf(form_->Combinations()), (Names{"a2,a1", "a1"}));
    QCOMPARE(form_->MSHFlexGrid2()->model()->rowCount(), 2);
    QVERIFY(notifier_.notices.empty());
    QVERIFY(form_->Text1()->text() == "100");
}

void TestForm1::secondDropReplacesEveryRow() {
    const std::string base = dir_->path().toStdString();
    const std::string first = MakeFolder(base, "first", {{"a1", 10}, {"a2", 20}, {"a3", 5}});
    const std::string second = MakeFolder(base, "second", {{"b1", 30}});
    form_->Text1()->setText("100");

    Drop({FileUrl(first)});
    QCOMPARE(form_->Combinations().Rows(), 4);
    Drop({FileUrl(second)});

    QCOMPARE(form_->CurrentFolder(), std::optional<std::string>(second));
    QCOMPARE(FileNamesOf(form_->Files()), (Names{"b1"}));
    QCOMPARE(NamesCellsOf(form_->Combinations()), (Names{"b1"}));
    QCOMPARE(form_->MSHFlexGrid2()->model()->rowCount(), 1);
    QCOMPARE(form_->MSHFlexGrid2()->model()->data(form_->MSHFlexGrid2()->model()->index(0, 3)).toString(),
             QString("b1"));
}

void TestForm1::typedCapacityWaitsForNextDrop() {
    const std::string folder = MakeFolder(dir_->path().toStdString(), "f", {{"big", 20}, {"small", 10}});
    form_->Text1()->setText("25");
    Drop({FileUrl(folder)});
    QCOMPARE(NamesCellsOf(form_->Combinations()), (Names{"big", "small"}));

    QTest::keyClicks(form_->Text1(), "0");  // 250
    QCOMPARE(form_->Capacity(), 250);
    QCOMPARE(NamesCellsOf(form_->Combinations()), (Names{"big", "small"}));
    QCOMPARE(form_->Combinations().Free(1), std::int64_t{5});

    Drop({FileUrl(folder)});
    QCOMPARE(NamesCellsOf(form_->Combinations()), (Names{"big,small", "small"}));
    QCOMPARE(form_->Combinations().Free(1), std::int64_t{220});
}

void TestForm1::capacityText_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("capacity");
    QTest::addColumn<bool>("marked");
    QTest::newRow("plain") << "1000" << 1000 << false;
    QTest::newRow("blanks around") << " 1000 " << 1000 << false;
    QTest::newRow("half to even, down") << "650.5" << 650 << false;
    QTest::newRow("half to even, up") << "651.5" << 652 << false;
    QTest::newRow("full-width digits") << "７００" << 700 << false;
    QTest::newRow("negative") << "-3" << -3 << false;
    QTest::newRow("not a number") << "abc" << 0 << true;
    QTest::newRow("empty") << "" << 0 << true;
    QTest::newRow("beyond 32 bits") << "99999999999" << 0 << true;
}

void TestForm1::capacityText() {
    QFETCH(QString, text);
    QFETCH(int, capacity);
    QFETCH(bool, marked);
    const QColor normalBase = form_->Text1()->palette().color(QPalette::Base);
    form_->Text1()->setText("123");
    QCOMPARE(form_->Capacity(), 123);

    form_->Text1()->setText(text);

    QCOMPARE(form_->Capacity(), capacity);
    QCOMPARE(form_->Text1()->palette().color(QPalette::Base) != normalBase, marked);
    QCOMPARE(!form_->Text1()->toolTip().isEmpty(), marked);

    // A good value afterwards takes the mark away again.
    form_->Text1()->setText("5");
    QCOMPARE(form_->Capacity(), 5);
    QCOMPARE(form_->Text1()->palette().color(QPalette::Base), normalBase);
    QVERIFY(form_->Text1()->toolTip().isEmpty());
}

void TestForm1::dragAcceptance_data() {
    QTest::addColumn<QList<QUrl>>("urls");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("accepted");
    const QUrl local = QUrl::fromLocalFile(QDir::tempPath());
    const QUrl web("https://example.org/folder");
    QTest::newRow("local folder") << QList<QUrl>{local} << QString() << true;
    QTest::newRow("web page, then local folder") << QList<QUrl>{web, local} << QString() << true;
    QTest::newRow("web page only") << QList<QUrl>{web} << QString() << false;
    QTest::newRow("text only") << QList<QUrl>{} << QString("/tmp") << false;
}

void TestForm1::dragAcceptance() {
    QFETCH(QList<QUrl>, urls);
    QFETCH(QString, text);
    QFETCH(bool, accepted);
    QMimeData mime;
    if (!urls.isEmpty()) mime.setUrls(urls);
    if (!text.isEmpty()) mime.setText(text);

    QDragEnterEvent enter(QPoint(300, 200), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    enter.ignore();
    QApplication::sendEvent(form_.get(), &enter);

    QCOMPARE(enter.isAccepted(), accepted);
}

void TestForm1::dropOfNonFolderChangesNothing_data() {
    QTest::addColumn<QString>("what");
    QTest::newRow("a file") << "file";
    QTest::newRow("a missing path") << "missing";
}

void TestForm1::dropOfNonFolderChangesNothing() {
    QFETCH(QString, what);
    const std::string folder = MakeFolder(dir_->path().toStdString(), "f", {{"keep", 10}});
    form_->Text1()->setText("100");
    Drop({FileUrl(folder)});
    const std::string target = what == "file" ? folder + "/keep" : folder + "/nothing here";

    Drop({FileUrl(target)});

    QCOMPARE(notifier_.notices.size(), std::size_t{1});
    QVERIFY(notifier_.notices[0].text.contains(QString::fromStdString(target)));
    QCOMPARE(form_->CurrentFolder(), std::optional<std::string>(folder));
    QCOMPARE(FileNamesOf(form_->Files()), (Names{"keep"}));
    QCOMPARE(NamesCellsOf(form_->Combinations()), (Names{"keep"}));
}

void TestForm1::folderNameThatIsNotUtf8() {
    const std::string name = "d\xff\xfe\x82\xa0";  // Latin-1 and Shift-JIS bytes, not UTF-8
    const std::string folder = MakeFolder(dir_->path().toStdString(), name, {{"x\xe9", 10}});
    form_->Text1()->setText("100");

    Drop({FileUrl(folder)});

    QCOMPARE(form_->CurrentFolder(), std::optional<std::string>(folder));
    QCOMPARE(FileNamesOf(form_->Files()), (Names{"x\xe9"}));
    QVERIFY(notifier_.notices.empty());

    // The move gets the same bytes.
    dialogs_.answer = true;
    form_->show();
    QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
    Click(0, 3);
    QCOMPARE(dialogs_.offered, (std::vector<Names>{{"x\xe9"}}));
    QCOMPARE(dialogs_.failures, 0);
    QVERIFY(std::filesystem::exists(std::filesystem::path(folder + "/w/x\xe9")));
    // QTemporaryDir cannot name these bytes to remove them.
    std::filesystem::remove_all(std::filesystem::path(folder));
}

void TestForm1::unmeasurableFilesAreNamed() {
    const std::string folder = MakeFolder(dir_->path().toStdString(), "f", {{"one", 10}, {"two", 20}});
    form_->Text1()->setText("100");
    // A folder that can be read but not searched lists its names but measures none; root passes permission
    // bits, so the drop is made as an ordinary user.
    QCOMPARE(::chmod(dir_->path().toLocal8Bit().constData(), 0711), 0);
    QCOMPARE(::chmod(folder.c_str(), 0444), 0);
    const uid_t user = ::geteuid();
    if (user == 0 && ::seteuid(65534) != 0) QSKIP("cannot become an ordinary user");
    Drop({FileUrl(folder)});
    if (user == 0) QCOMPARE(::seteuid(0), 0);
    QCOMPARE(::chmod(folder.c_str(), 0755), 0);

    QVERIFY(FileNamesOf(form_->Files()).empty());
    QCOMPARE(notifier_.notices.size(), std::size_t{1});
    QVERIFY(notifier_.notices[0].text.contains("one"));
    QVERIFY(notifier_.notices[0].text.contains("two"));
}

void TestForm1::unmeasurableFileIsNamed() {
    const std::string folder =
        MakeFolder(dir_->path().toStdString(), "f", {{"fine", 10}, {"vanishing", 20}, {"link", 0}});
    // A link is no file to list; a file removed between the listing and its measuring is named.
    std::filesystem::remove(std::filesystem::path(folder + "/link"));
    std::filesystem::create_symlink("fine", std::filesystem::path(folder + "/link"));
    form_->SetMeasuringHook([folder](const std::string& name) {
        if (name == "vanishing") std::filesystem::remove(std::filesystem::path(folder + "/" + name));
    });
    form_->Text1()->setText("100");

    Drop({FileUrl(folder)});

    QCOMPARE(FileNamesOf(form_->Files()), (Names{"fine"}));
    QCOMPARE(notifier_.notices.size(), std::size_t{1});
    QVERIFY(notifier_.notices[0].text.contains("vanishing"));
    QVERIFY(!notifier_.notices[0].text.contains("fine"));
    QVERIFY(!notifier_.notices[0].text.contains("link"));
}

void TestForm1::tableGeometry_data() {
    QTest::addColumn<QSizeF>("client");
    QTest::addColumn<QRectF>("table");
    QTest::newRow("as designed") << QSizeF(10305, 5220) << QRectF(0, 360, 10305, 4820);
    QTest::newRow("8000 x 3000") << QSizeF(8000, 3000) << QRectF(0, 360, 8000, 2600);
    QTest::newRow("just 400 high") << QSizeF(8000, 400) << QRectF(0, 360, 8000, 0);
    QTest::newRow("lower than 400") << QSizeF(8000, 120) << QRectF(0, 360, 8000, 0);
    QTest::newRow("minimized") << QSizeF(0, 0) << QRectF(0, 360, 0, 0);
}

void TestForm1::tableGeometry() {
    QFETCH(QSizeF, client);
    QFETCH(QRectF, table);
    QCOMPARE(drovalin::CombinationTableTwips(client), table);
}

void TestForm1::windowResizePlacesTable_data() {
    QTest::addColumn<QSize>("clientPixels");
    QTest::addColumn<QRectF>("tableTwips");
    QTest::addColumn<QRect>("tablePixels");
    QTest::newRow("9000 x 3000 twips")
        << QSize(600, 200) << QRectF(0, 360, 9000, 2600) << QRect(0, 24, 600, 173);
    QTest::newRow("as designed") << QSize(687, 348) << QRectF(0, 360, 10305, 4820) << QRect(0, 24, 687, 321);
    QTest::newRow("too low") << QSize(300, 20) << QRectF(0, 360, 4500, 0) << QRect(0, 24, 300, 0);
}

void TestForm1::windowResizePlacesTable() {
    QFETCH(QSize, clientPixels);
    QFETCH(QRectF, tableTwips);
    QFETCH(QRect, tablePixels);
    form_->show();
    QVERIFY(QTest::qWaitForWindowExposed(form_.get()));

    form_->resize(clientPixels);
    QTRY_COMPARE(form_->size(), clientPixels);

    QCOMPARE(form_->CombinationTableGeometryTwips(), tableTwips);
    QCOMPARE(form_->MSHFlexGrid2()->geometry(), tablePixels);
    QCOMPARE(form_->Text1()->geometry(), QRect(0, 0, 113, 18));
}

void TestForm1::everyCellOfARowOffersItsFiles() {
    const std::string folder =
        MakeFolder(dir_->path().toStdString(), "f", {{"c1", 30}, {"c2", 20}, {"c3", 10}, {"x,y", 5}});
    form_->Text1()->setText("100");
    Drop({FileUrl(folder)});
    form_->show();
    QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
    QCOMPARE(NamesCellsOf(form_->Combinations()), (Names{"c1,c2,c3,x,y", "c2,c3,x,y", "c3,x,y", "x,y"}));

    for (int column = 0; column < 4; ++column) Click(1, column);
    Click(3, 3);
    QTest::mouseClick(form_->MSHFlexGrid2()->horizontalHeader()->viewport(), Qt::LeftButton, {},
                      QPoint(20, 5));

    const Names second{"c2", "c3", "x,y"};
    QCOMPARE(dialogs_.offered, (std::vector<Names>{second, second, second, second, {"x,y"}}));
    // Reaching a names cell never scrolls the numbers of the row out of sight.
    QCOMPARE(form_->MSHFlexGrid2()->horizontalScrollBar()->value(), 0);
    // Cancel moved nothing.
    QVERIFY(!std::filesystem::exists(std::filesystem::path(folder + "/w")));
}

void TestForm1::keyboardOffersSelectedRow_data() {
    QTest::addColumn<int>("key");
    QTest::newRow("Return") << int(Qt::Key_Return);
    QTest::newRow("Enter") << int(Qt::Key_Enter);
    QTest::newRow("Space") << int(Qt::Key_Space);
}

void TestForm1::keyboardOffersSelectedRow() {
    QFETCH(int, key);
    const std::string folder = MakeFolder(dir_->path().toStdString(), "f", {{"c1", 30}, {"c2", 20}});
    form_->Text1()->setText("100");
    form_->show();
    QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
    QTableView* grid = form_->MSHFlexGrid2();
    QCOMPARE(form_->focusWidget(), grid);

    QTest::keyClick(grid, Qt::Key(key));  // an empty table offers nothing
    Drop({FileUrl(folder)});
    QTest::keyClick(grid, Qt::Key(key));  // nor does a table with no row selected
    QVERIFY(dialogs_.offered.empty());

    grid->selectRow(1);
    QTest::keyClick(grid, Qt::Key(key));
    QCOMPARE(dialogs_.offered, (std::vector<Names>{{"c2"}}));
}

void TestForm1::commandMenuFromKeyboardAndShortcut_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::newRow("Menu key") << int(Qt::Key_Menu) << int(Qt::NoModifier);
    QTest::newRow("Shift+F10") << int(Qt::Key_F10) << int(Qt::ShiftModifier);
}

void TestForm1::commandMenuFromKeyboardAndShortcut() {
    QFETCH(int, key);
    QFETCH(int, modifiers);
    auto* command = new QAction(QStringLiteral("命令"), form_.get());
    command->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_K));
    int triggered = 0;
    connect(command, &QAction::triggered, [&] { ++triggered; });
    form_->AddCommand(command);
    form_->show();
    QVERIFY(QTest::qWaitForWindowExposed(form_.get()));

    QMenu* menu = form_->CommandMenu();
    // The window's own commands come first; an added one goes last.
    QCOMPARE(menu->actions().last(), command);
    QVERIFY(!menu->isVisible());
    QTest::keyClick(form_->MSHFlexGrid2(), Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QTRY_VERIFY(menu->isVisible());
    menu->hide();

    // The shortcut reaches the command from the capacity box too.
    form_->Text1()->setFocus();
    QTest::keyClick(form_->Text1(), Qt::Key_K, Qt::ControlModifier);
    QCOMPARE(triggered, 1);
}

void TestForm1::confirmedMoveLeavesTables() {
    const std::string folder = MakeFolder(dir_->path().toStdString(), "f", {{"c1", 30}, {"c2", 20}});
    form_->Text1()->setText("100");
    Drop({FileUrl(folder)});
    form_->show();
    QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
    dialogs_.answer = true;

    Click(0, 3);

    QVERIFY(std::filesystem::exists(std::filesystem::path(folder + "/w/c1")));
    QVERIFY(std::filesystem::exists(std::filesystem::path(folder + "/w/c2")));
    QCOMPARE(dialogs_.failures, 0);
    QCOMPARE(FileNamesOf(form_->Files()), (Names{"c1", "c2"}));
    QCOMPARE(NamesCellsOf(form_->Combinations()), (Names{"c1,c2", "c2"}));
    QVERIFY(form_->LastMove().has_value());
    QCOMPARE(form_->LastMove()->createdFolders, (Names{folder + "/w"}));
    QCOMPARE(form_->LastMove()->moved.size(), std::size_t(2));

    // The same row again: its files are gone, and the move says so; the earlier move stays the last one.
    Click(0, 3);
    QCOMPARE(dialogs_.failures, 1);
    QCOMPARE(form_->LastMove()->moved.size(), std::size_t(2));
}

void TestForm1::windowIdentity() {
    QCOMPARE(form_->windowTitle(), QString("Drovalin"));
    QVERIFY(!form_->windowIcon().pixmap(32, 32).isNull());
    QVERIFY(form_->acceptDrops());
    QCOMPARE(form_->size(), QSize(687, 348));
    QVERIFY(!(form_->windowFlags() & Qt::MSWindowsFixedSizeDialogHint));
    QVERIFY(!form_->CurrentFolder().has_value());
    QCOMPARE(form_->Capacity(), 0);
    QCOMPARE(form_->MSHFlexGrid2()->model()->rowCount(), 0);
}

void TestForm1::instructionLine() {
    const QString expected =
        QString(15, QChar(0x3000)) + QString::fromUtf8(
                                         "←①サイズ入力（KB）\u3000②ここにフォルダをドラッグ"
                                         "\u3000③↓ファイル名をクリック");
    form_->show();
    QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
    QLabel* line = form_->InstructionLine();
    QCOMPARE(line->text(), expected);
    QVERIFY(line->isVisible());
    QVERIFY(line->geometry().bottom() < form_->MSHFlexGrid2()->geometry().top());

    // The capacity box stays usable on top of the line, and the line's words start right of it.
    const QRect box = form_->Text1()->geometry();
    QWidget* atBox = form_->childAt(box.center());
    QVERIFY(atBox == form_->Text1() || form_->Text1()->isAncestorOf(atBox));
    const QFontMetrics metrics(line->font());
    QVERIFY(metrics.horizontalAdvance(QString(15, QChar(0x3000))) > box.right());
    for (const QChar c : expected) QVERIFY2(metrics.inFont(c), qPrintable(QString("no glyph for ") + c));
}

// Assistive technology reads each label's own text; hints belong in the description.
void TestForm1::labelsReadAsShown() {
    const auto misread = [](QWidget* window) {
        QStringList labels;
        for (QLabel* label : window->findChildren<QLabel*>()) {
            QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(label);
            if (!label->text().isEmpty() && accessible->text(QAccessible::Name) != label->text())
                labels << accessible->text(QAccessible::Name);
        }
        return labels;
    };
    form_->show();
    QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
    QCOMPARE(misread(form_.get()), QStringList());

    // The notices' boxes.
    QStringList misreadInBox{QStringLiteral("no box")};
    QTimer::singleShot(0, [&] {
        QWidget* box = QApplication::activeModalWidget();
        if (box == nullptr) return;
        misreadInBox = misread(box);
        box->close();
    });
    drovalin::MessageBoxNotifier(form_.get())
        .Warn(QStringLiteral("エラー報告"), QStringLiteral("読めません"));
    QCOMPARE(misreadInBox, QStringList());
}

void TestForm1::headerTexts() {
    const QAbstractItemModel* model = form_->MSHFlexGrid2()->model();
    const QStringList expected{QString::fromUtf8("合計サイズ"), QString::fromUtf8("ファイル数"),
                               QString::fromUtf8("空き容量"),
                               QString::fromUtf8("ファイル名") + QString(53, QChar(0x3000))};
    QCOMPARE(model->columnCount(), 4);
    QHeaderView* header = form_->MSHFlexGrid2()->horizontalHeader();
    const QFontMetrics metrics(header->font());
    for (int col = 0; col < 4; ++col) {
        const QString text = model->headerData(col, Qt::Horizontal).toString();
        QCOMPARE(text, expected[col]);
        QVERIFY(header->sectionSize(col) >= metrics.horizontalAdvance(text));
        QVERIFY(header->sectionSize(col) <= metrics.horizontalAdvance(text) + 40);
        for (const QChar c : text) QVERIFY(metrics.inFont(c));
    }
    QVERIFY(!form_->MSHFlexGrid2()->verticalHeader()->isVisible());
}

void TestForm1::numberColumnsShowWholeNumbers_data() {
    QTest::addColumn<QString>("capacity");
    QTest::addColumn<int>("files");
    QTest::addColumn<int>("kilobytes");
    QTest::newRow("DVD, small files") << "4589843" << 3 << 1;
    QTest::newRow("700000, 2 KB files") << "700000" << 50 << 2;
    QTest::newRow("25 GB, one large file") << "24413696" << 1 << 1000000;
}

// A cell's text stands inside the style's focus frame margin plus a pixel on each side, and the grid line
// takes a pixel of the column; a narrower column elides the number.
void TestForm1::numberColumnsShowWholeNumbers() {
    QFETCH(QString, capacity);
    QFETCH(int, files);
    QFETCH(int, kilobytes);
    std::vector<std::pair<std::string, std::int64_t>> sizes;
    // Appended, not a literal + a temporary string: g++ 12 at -O3 warns falsely about that form (-Wrestrict).
    for (int i = 0; i < files; ++i) sizes.emplace_back(std::string("f").append(std::to_string(i)), kilobytes);
    const std::string folder = MakeFolder(dir_->path().toStdString(), "f", sizes);
    QTableView* grid = form_->MSHFlexGrid2();
    QHeaderView* header = grid->horizontalHeader();
    const QFontMetrics metrics(grid->font());
    const int margins = 2 * (grid->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, grid) + 1) + 1;

    // A rebuild with a small capacity first: the widths follow each rebuild.
    for (const QString& text : {QStringLiteral("9"), capacity}) {
        form_->Text1()->setText(text);
        Drop({FileUrl(folder)});
        for (int row = 0; row < grid->model()->rowCount(); ++row) {
            for (int col = 0; col < 3; ++col) {
                const QString number = grid->model()->index(row, col).data().toString();
                QVERIFY2(header->sectionSize(col) >= metrics.horizontalAdvance(number) + margins,
                         qPrintable(QStringLiteral("column %1 cuts %2").arg(col).arg(number)));
            }
        }
    }
    QVERIFY(grid->model()->rowCount() > 0);

    // The names column reaches the table's right edge however wide the window grows.
    form_->resize(1600, 400);
    QCoreApplication::processEvents();
    QVERIFY(header->sectionViewportPosition(3) + header->sectionSize(3) >= grid->viewport()->width());
}

void TestForm1::millionRowsScrollMakesOnlyVisibleNames() {
    constexpr int kFiles = 1000;
    constexpr int kRows = 1'000'000;
    auto files = std::make_shared<FileTable>();
    for (int i = 0; i < kFiles; ++i) files->Append("file" + std::to_string(i), kFiles - i);
    auto combinations = std::make_shared<CombinationTable>(files);
    for (int i = 0; i < kRows; ++i) {
        const int first = 1 + i % (kFiles - 10);
        combinations->Append(kRows - i, {{first, first + 1 + i % 9}});
    }
    QElapsedTimer timer;
    timer.start();
    form_->ShowTables(files, combinations);
    form_->show();
    QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
    qInfo("show %d rows: %.2f ms", kRows, timer.nsecsElapsed() / 1e6);
    QTableView* grid = form_->MSHFlexGrid2();
    CombinationTableModel& model = form_->CombinationModel();
    QCOMPARE(model.rowCount(), kRows);

    model.ResetNamesCellCount();
    timer.restart();
    grid->scrollToBottom();
    grid->viewport()->repaint();
    const qint64 elapsed = timer.nsecsElapsed();
    qInfo("scroll to the end of %d rows and paint: %.2f ms", kRows, elapsed / 1e6);

    const int rowHeight = grid->verticalHeader()->defaultSectionSize();
    const int visibleRows = grid->viewport()->height() / rowHeight + 1;
    QVERIFY(grid->rowAt(grid->viewport()->height() - 1) == kRows - 1 ||
            grid->rowAt(grid->viewport()->height() - 1) == -1);
    QVERIFY(model.NamesCellsMade() > 0);
    QVERIFY2(model.NamesCellsMade() <= 2 * visibleRows,
             qPrintable(
                 QString("%1 names cells for %2 visible rows").arg(model.NamesCellsMade()).arg(visibleRows)));
    QVERIFY(model.LowestNamesRowMade() >= kRows - visibleRows);
}

QTEST_MAIN(TestForm1)
#include "tst_form1.moc"
