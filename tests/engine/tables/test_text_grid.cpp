#include <QTest>
#include <stdexcept>

#include "tables/text_grid.h"

using drovalin::TextGrid;

namespace {

// Column col of every data row, top to bottom.
QStringList Column(const TextGrid& grid, int col) {
    QStringList cells;
    for (int row = 1; row < grid.Rows(); ++row) cells << QString::fromStdString(grid.Cell(row, col));
    return cells;
}

}  // namespace

class TestTextGrid : public QObject {
    Q_OBJECT
  private slots:
    void setRowsOneKeepsOnlyTheHeader() {
        TextGrid grid({"a", "b"});
        grid.AddItem("1\t2");
        grid.AddItem("3\t4");
        grid.SetRows(1);
        QCOMPARE(grid.Rows(), 1);
        QCOMPARE(grid.Cell(0, 1), std::string("b"));
        QCOMPARE(grid.Cell(1, 0), std::string());
        grid.AddItem("5\t6");
        QCOMPARE(grid.Rows(), 2);
        QCOMPARE(grid.Cell(1, 1), std::string("6"));
    }

    void addItem_data() {
        QTest::addColumn<QByteArray>("item");
        QTest::addColumn<QStringList>("cells");
        QTest::newRow("all fields") << QByteArray("x\t1\ty") << QStringList{"x", "1", "y"};
        QTest::newRow("fewer fields leave empty cells") << QByteArray("x") << QStringList{"x", "", ""};
        QTest::newRow("extra fields are dropped") << QByteArray("a\tb\tc\td") << QStringList{"a", "b", "c"};
        QTest::newRow("empty fields") << QByteArray("\t\tz") << QStringList{"", "", "z"};
        QTest::newRow("comma is no separator") << QByteArray("a,b\t2") << QStringList{"a,b", "2", ""};
    }
    void addItem() {
        QFETCH(QByteArray, item);
        QFETCH(QStringList, cells);
        TextGrid grid({"h0", "h1", "h2"});
        grid.AddItem(item.toStdString());
        QCOMPARE(grid.Rows(), 2);
        QStringList row;
        for (int col = 0; col < 3; ++col) row << QString::fromStdString(grid.Cell(1, col));
        QCOMPARE(row, cells);
    }

    void currentCellReadsText() {
        TextGrid grid({"a", "b"});
        grid.AddItem("name\t42");
        grid.SetRow(1);
        grid.SetCol(1);
        QCOMPARE(grid.Text(), std::string("42"));
        grid.SetCol(0);
        QCOMPARE(grid.Text(), std::string("name"));
        grid.SetRow(5);
        QCOMPARE(grid.Text(), std::string());
    }

    void sortDescending_data() {
        QTest::addColumn<QStringList>("cells");
        QTest::addColumn<QStringList>("sorted");
        QTest::newRow("numbers by value") << QStringList{"9", "10", "100"} << QStringList{"100", "10", "9"};
        QTest::newRow("texts by bytes") << QStringList{"b", "a", "c"} << QStringList{"c", "b", "a"};
        QTest::newRow("negative numbers")
            << QStringList{"-1", "-10", "0", "3"} << QStringList{"3", "0", "-1", "-10"};
        QTest::newRow("fractions") << QStringList{"2.5", "2.25", "3", "2.05"}
                                   << QStringList{"3", "2.5", "2.25", "2.05"};
        QTest::newRow("beyond 64 bits") << QStringList{"99999999999999999999", "100000000000000000000", "7"}
                                        << QStringList{"100000000000000000000", "99999999999999999999", "7"};
        QTest::newRow("equal values keep their order")
            << QStringList{"1", "01", "5", "1.0", "-0", "0"} << QStringList{"5", "1", "01", "1.0", "-0", "0"};
        QTest::newRow("texts rank above numbers")
            << QStringList{"10", "abc", "9", "ファイル"} << QStringList{"ファイル", "abc", "10", "9"};
        QTest::newRow("digit-led text stays above numbers")
            << QStringList{"2", "1a", "10"} << QStringList{"1a", "10", "2"};
        QTest::newRow("empty cell is text") << QStringList{"", "3", "a"} << QStringList{"a", "", "3"};
    }
    void sortDescending() {
        QFETCH(QStringList, cells);
        QFETCH(QStringList, sorted);
        TextGrid grid({"value", "index"});
        for (int i = 0; i < cells.size(); ++i)
            grid.AddItem((cells[i] + "\t" + QString::number(i)).toStdString());
        grid.SetCol(0);
        grid.Sort(2);
        QCOMPARE(grid.Cell(0, 0), std::string("value"));
        QCOMPARE(Column(grid, 0), sorted);
        // Whole rows move together.
        for (int row = 1; row < grid.Rows(); ++row) {
            const int index = std::stoi(grid.Cell(row, 1));
            QCOMPARE(QString::fromStdString(grid.Cell(row, 0)), cells[index]);
        }
    }

    void sortUsesTheCurrentColumn() {
        TextGrid grid({"name", "size"});
        grid.AddItem("b\t5");
        grid.AddItem("a\t50");
        grid.AddItem("c\t9");
        grid.SetCol(1);
        grid.Sort(2);
        QCOMPARE(Column(grid, 0), (QStringList{"a", "c", "b"}));
        grid.SetCol(0);
        grid.Sort(2);
        QCOMPARE(Column(grid, 1), (QStringList{"9", "5", "50"}));
    }

    void otherSortValuesAreRefused() {
        TextGrid grid({"a"});
        QVERIFY_THROWS_EXCEPTION(std::invalid_argument, grid.Sort(1));
    }
};

QTEST_APPLESS_MAIN(TestTextGrid)
#include "test_text_grid.moc"
