#include <QTest>
#include <memory>

#include "combination_table_model.h"
#include "drop_notices.h"
#include "tables/combination_table.h"
#include "tables/file_table.h"

using drovalin::CombinationTable;
using drovalin::CombinationTableModel;
using drovalin::FileTable;

namespace {

// One combination of the first `count` files, named n0, n1, ...; the first file may be named otherwise.
std::shared_ptr<CombinationTable> OneRowOf(int count, const std::string& firstName = "n0") {
    auto files = std::make_shared<FileTable>();
    // Appended, not a literal + a temporary string: g++ 12 at -O3 warns falsely about that form (-Wrestrict).
    for (int i = 0; i < count; ++i)
        files->Append(i == 0 ? firstName : std::string("n").append(std::to_string(i)), 1);
    auto table = std::make_shared<CombinationTable>(files);
    table->SetCapacity(100000);
    table->Append(count, {{1, count + 1}});
    return table;
}

}  // namespace

class TestWindowTexts : public QObject {
    Q_OBJECT

  private slots:
    void namesCell_data();
    void namesCell();
    void namesTooltip_data();
    void namesTooltip();
    void numberCells();
    void leftOutNotice_data();
    void leftOutNotice();
};

void TestWindowTexts::namesCell_data() {
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("namesInCell");
    QTest::addColumn<bool>("marksTheCut");
    const int shown = static_cast<int>(CombinationTableModel::kNamesShown);
    QTest::newRow("one") << 1 << 1 << false;
    QTest::newRow("as many as shown") << shown << shown << false;
    QTest::newRow("one more than shown") << shown + 1 << shown << true;
    QTest::newRow("thirty thousand") << 30000 << shown << true;
}

void TestWindowTexts::namesCell() {
    QFETCH(int, count);
    QFETCH(int, namesInCell);
    QFETCH(bool, marksTheCut);
    CombinationTableModel model;
    model.SetTable(OneRowOf(count));

    const QString cell = model.data(model.index(0, CombinationTable::kNamesCol)).toString();

    QCOMPARE(cell.endsWith(QString::fromUtf8(",…")), marksTheCut);
    QString names = cell;
    if (marksTheCut) names.chop(2);
    const QStringList parts = names.split(',');
    QCOMPARE(parts.size(), namesInCell);
    QCOMPARE(parts.first(), QString("n0"));
    QCOMPARE(parts.last(), QString("n%1").arg(namesInCell - 1));
    QCOMPARE(model.NamesCellsMade(), std::int64_t{1});
}

void TestWindowTexts::namesTooltip_data() {
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("listed");
    QTest::addColumn<QString>("rest");
    QTest::newRow("three") << 3 << 3 << QString();
    QTest::newRow("forty") << 40 << 40 << QString();
    QTest::newRow("forty-one") << 41 << 40 << QString::fromUtf8("…ほか 1 件");
    QTest::newRow("a thousand") << 1000 << 40 << QString::fromUtf8("…ほか 960 件");
}

void TestWindowTexts::namesTooltip() {
    QFETCH(int, count);
    QFETCH(int, listed);
    QFETCH(QString, rest);
    CombinationTableModel model;
    model.SetTable(OneRowOf(count, "<b>a,b</b>"));

    const QString tip = model.data(model.index(0, CombinationTable::kNamesCol), Qt::ToolTipRole).toString();

    const QStringList lines = tip.split("<br>");
    QCOMPARE(lines.size(), listed + (rest.isEmpty() ? 0 : 1));
    // A name that looks like markup, and holds a comma, is one line shown as typed.
    QVERIFY(lines.first().endsWith("&lt;b&gt;a,b&lt;/b&gt;"));
    QVERIFY(tip.contains(QString("n%1").arg(listed - 1)));
    QVERIFY(!tip.contains(QString("n%1<").arg(listed)));
    if (!rest.isEmpty()) QVERIFY(lines.last().startsWith(rest));
    QVERIFY(!model.data(model.index(0, CombinationTable::kTotalCol), Qt::ToolTipRole).isValid());
}

void TestWindowTexts::numberCells() {
    auto files = std::make_shared<FileTable>();
    files->Append("a", 60);
    files->Append("b", 30);
    auto table = std::make_shared<CombinationTable>(files);
    table->SetCapacity(100);
    table->Append(90, {{1, 3}});
    CombinationTableModel model;
    model.SetTable(table);

    QCOMPARE(model.rowCount(), 1);
    QCOMPARE(model.data(model.index(0, 0)).toString(), QString("90"));
    QCOMPARE(model.data(model.index(0, 1)).toString(), QString("2"));
    QCOMPARE(model.data(model.index(0, 2)).toString(), QString("10"));
    QCOMPARE(model.data(model.index(0, 3)).toString(), QString("a,b"));
    QCOMPARE(model.NamesCellsMade(), std::int64_t{1});
}

void TestWindowTexts::leftOutNotice_data() {
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("named");
    QTest::addColumn<QString>("rest");
    QTest::newRow("one") << 1 << 1 << QString();
    QTest::newRow("forty") << 40 << 40 << QString();
    QTest::newRow("forty-one") << 41 << 40 << QString::fromUtf8("…ほか 1 件");
    QTest::newRow("five hundred") << 500 << 40 << QString::fromUtf8("…ほか 460 件");
}

void TestWindowTexts::leftOutNotice() {
    QFETCH(int, count);
    QFETCH(int, named);
    QFETCH(QString, rest);
    std::vector<drovalin::LeftOutFile> leftOut;
    for (int i = 0; i < count; ++i)
        leftOut.push_back({std::string("f").append(std::to_string(i)).append("%1"), "Permission denied"});

    const drovalin::Notice notice = drovalin::LeftOutNotice(leftOut);

    QVERIFY(!notice.title.isEmpty());
    QVERIFY(notice.text.contains(QString::number(count)));
    QCOMPARE(notice.text.count("Permission denied"), named);
    QVERIFY(notice.text.contains(QString("f%1").arg(named - 1) + "%1"));
    QVERIFY(!notice.text.contains(QString("f%1").arg(named) + "%1"));
    QCOMPARE(notice.text.endsWith(rest), true);
}

QTEST_MAIN(TestWindowTexts)
#include "tst_window_texts.moc"
