#include <QTest>
#include <algorithm>
#include <limits>
#include <memory>
#include <random>
#include <stdexcept>

#include "tables/combination_table.h"
#include "tables/file_table.h"
#include "tables/radix_sort.h"

using drovalin::CombinationTable;
using drovalin::FileTable;

namespace {

// A file table of names f1, f2, ... with sizes 10, 9, 8, ... (already largest first).
std::shared_ptr<FileTable> DescendingFiles(int count) {
    auto files = std::make_shared<FileTable>();
    // Appended, not a literal + a temporary string: g++ 12 at -O3 warns falsely about that form (-Wrestrict).
    for (int i = 1; i <= count; ++i) files->Append(std::string("f").append(std::to_string(i)), 11 - i);
    return files;
}

}  // namespace

class TestTables : public QObject {
    Q_OBJECT
  private slots:
    void fileTableSortsBySizeThenNameBytes() {
        FileTable files;
        files.Append("b", 5);
        files.Append("\xff\xfe.bin", 5);
        files.Append("a", 5);
        files.Append("c", 7);
        files.Append("z", 0);
        files.Append("big", 4294967296);
        files.SortBySizeDescending();
        QCOMPARE(files.Rows(), 7);
        const std::vector<std::string> names{"big", "c", "a", "b", "\xff\xfe.bin", "z"};
        const std::vector<std::string> sizes{"4294967296", "7", "5", "5", "5", "0"};
        for (int row = 1; row < files.Rows(); ++row) {
            QCOMPARE(files.Cell(row, FileTable::kNameCol), names[row - 1]);
            QCOMPARE(files.Cell(row, FileTable::kSizeCol), sizes[row - 1]);
        }
        QCOMPARE(files.Cell(0, 0), std::string("ファイル名"));
        QCOMPARE(files.Cell(0, 1), std::string("ファイルサイズ"));
        QCOMPARE(files.Cell(7, 0), std::string());
        QCOMPARE(files.Cell(1, 2), std::string());
    }

    // The sort orders compact keys holding a few name bytes after the prefix all names share; ties on those
    // bytes and names ending inside them must still come out in name-byte order, on any thread count.
    void fileTableSortMatchesPlainOrder_data() {
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<int>("files");
        QTest::addColumn<int>("sizes");
        QTest::addColumn<unsigned>("threads");
        // Names appended in name order take a shorter way; one pair out of order where the table is cut
        // into pieces (every 32,768 rows) must send it the long way.
        QTest::addColumn<int>("appendOrder");  // 0 as drawn, 1 by name, 2 by name but for that one pair
        QTest::newRow("no shared prefix") << QString() << 2000 << 5 << 1u << 0;
        QTest::newRow("long shared prefix, threads")
            << QString("holiday-2024-photo-") << 90000 << 40 << 2u << 0;
        QTest::newRow("one size, threads") << QString("x") << 70000 << 1 << 3u << 0;
        QTest::newRow("by name") << QString("d/") << 3000 << 7 << 1u << 1;
        QTest::newRow("by name, threads") << QString() << 70000 << 3 << 2u << 1;
        QTest::newRow("by name but one pair, threads") << QString("d/") << 70000 << 3 << 2u << 2;
    }
    void fileTableSortMatchesPlainOrder() {
        QFETCH(QString, prefix);
        QFETCH(int, files);
        QFETCH(int, sizes);
        QFETCH(unsigned, threads);
        QFETCH(int, appendOrder);
        std::mt19937 random(static_cast<unsigned>(files));
        std::vector<std::pair<std::int64_t, std::string>> expected;
        for (int i = 0; i < files; ++i) {
            // Tails of 0 to 12 bytes, some high bytes, so that names end before, inside and after the key's
            // bytes.
            std::string name = prefix.toStdString();
            const int tail = static_cast<int>(random() % 13);
            for (int b = 0; b < tail; ++b)
                name += static_cast<char>(random() % 4 == 0 ? 0xf0 + random() % 4 : 'a' + random() % 3);
            expected.emplace_back(random() % sizes, name);
        }
        if (appendOrder != 0) {
            std::sort(expected.begin(), expected.end(),
                      [](const auto& a, const auto& b) { return a.second < b.second; });
            if (appendOrder == 2) {
                // Two different names of one size, so only the names can order them.
                expected[32768] = {expected[32767].first, expected[32767].second + "z"};
                std::swap(expected[32767], expected[32768]);
            }
        }
        FileTable table;
        for (const auto& [kilobytes, name] : expected) table.Append(name, kilobytes);
        table.SortBySizeDescending(threads);
        std::sort(expected.begin(), expected.end(), [](const auto& a, const auto& b) {
            return a.first != b.first ? a.first > b.first : a.second < b.second;
        });
        QCOMPARE(table.Rows(), static_cast<int>(expected.size()) + 1);
        for (int row = 1; row < table.Rows(); ++row) {
            QCOMPARE(table.Kilobytes(row), expected[row - 1].first);
            QCOMPARE(table.Name(row), expected[row - 1].second);
        }
    }

    void fileTableRefusesWhatItCannotHold() {
        FileTable files;
        files.Append("a", 1);
        QVERIFY_THROWS_EXCEPTION(std::invalid_argument, files.Append("n", -1));
        QVERIFY_THROWS_EXCEPTION(std::invalid_argument, files.SetRows(2));
        files.SetRows(1);
        QCOMPARE(files.Rows(), 1);
    }

    void combinationCells() {
        CombinationTable table(DescendingFiles(6));
        table.SetCapacity(40);
        table.Append(10 + 9 + 7, {{1, 3}, {4, 5}});
        table.Append(5, {{6, 7}});
        QCOMPARE(table.Rows(), 3);
        QCOMPARE(table.Cols(), 4);
        const std::vector<std::vector<std::string>> expected{{"26", "3", "14", "f1,f2,f4"},
                                                             {"5", "1", "35", "f6"}};
        for (int row = 1; row <= 2; ++row)
            for (int col = 0; col < 4; ++col) QCOMPARE(table.Cell(row, col), expected[row - 1][col]);
        QCOMPARE(table.FileRows(1), (std::vector<int>{1, 2, 4}));
        QCOMPARE(table.FileNames(1), (std::vector<std::string>{"f1", "f2", "f4"}));
        QCOMPARE(table.Cell(3, 0), std::string());
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, table.Total(3));
    }

    void headerTexts() {
        const CombinationTable table;
        QCOMPARE(table.Cell(0, 0), std::string("合計サイズ"));
        QCOMPARE(table.Cell(0, 1), std::string("ファイル数"));
        QCOMPARE(table.Cell(0, 2), std::string("空き容量"));
        const QString names = QString::fromStdString(table.Cell(0, 3));
        QCOMPARE(names, QString("ファイル名") + QString(53, QChar(0x3000)));
    }

    void namesPrefix_data() {
        QTest::addColumn<qint64>("maxNames");
        QTest::addColumn<QString>("names");
        QTest::newRow("all") << qint64{-1} << "f1,f2,f3,f5";
        QTest::newRow("none") << qint64{0} << "";
        QTest::newRow("one") << qint64{1} << "f1";
        QTest::newRow("up to a run's end") << qint64{3} << "f1,f2,f3";
        QTest::newRow("into the next run") << qint64{4} << "f1,f2,f3,f5";
        QTest::newRow("more than there are") << qint64{100} << "f1,f2,f3,f5";
    }
    void namesPrefix() {
        QFETCH(qint64, maxNames);
        QFETCH(QString, names);
        CombinationTable table(DescendingFiles(6));
        table.Append(0, {{1, 4}, {5, 6}});
        QCOMPARE(QString::fromStdString(table.Names(1, maxNames)), names);
    }

    void appendRefusesBadRuns_data() {
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("last");
        QTest::addColumn<int>("secondFirst");
        QTest::addColumn<int>("secondLast");
        QTest::newRow("header row") << 0 << 2 << 3 << 4;
        QTest::newRow("empty run") << 2 << 2 << 3 << 4;
        QTest::newRow("past the last file") << 1 << 2 << 3 << 5;
        QTest::newRow("overlapping runs") << 1 << 3 << 2 << 4;
        QTest::newRow("runs out of order") << 3 << 4 << 1 << 2;
    }
    void appendRefusesBadRuns() {
        QFETCH(int, first);
        QFETCH(int, last);
        QFETCH(int, secondFirst);
        QFETCH(int, secondLast);
        CombinationTable table(DescendingFiles(3));
        QVERIFY_THROWS_EXCEPTION(std::invalid_argument,
                                 table.Append(1, {{first, last}, {secondFirst, secondLast}}));
        QCOMPARE(table.Rows(), 1);
    }

    void sortKeepsAppendOrderForEqualTotals() {
        CombinationTable table(DescendingFiles(5));
        table.SetCapacity(100);
        table.Append(7, {{1, 2}});
        table.Append(9, {{2, 3}});
        table.Append(7, {{3, 4}});
        table.Append(7, {{4, 5}});
        table.SortByTotalDescending();
        QCOMPARE(table.Names(1), std::string("f2"));
        QCOMPARE(table.Names(2), std::string("f1"));
        QCOMPARE(table.Names(3), std::string("f3"));
        QCOMPARE(table.Names(4), std::string("f4"));
        table.SetRows(1);
        QCOMPARE(table.Rows(), 1);
        QVERIFY_THROWS_EXCEPTION(std::invalid_argument, table.SetRows(0));
    }

    // Keys of one pass, several passes, and the largest a size can be; ties must keep their order.
    void radixSortMatchesStableSort_data() {
        QTest::addColumn<int>("count");
        QTest::addColumn<qint64>("largest");
        QTest::newRow("all zero") << 1000 << qint64(0);
        QTest::newRow("one pass, many ties") << 5000 << qint64(300);
        QTest::newRow("three passes") << 20000 << qint64(4589843);
        QTest::newRow("largest size") << 20000 << qint64(std::numeric_limits<std::int64_t>::max());
    }
    void radixSortMatchesStableSort() {
        QFETCH(int, count);
        QFETCH(qint64, largest);
        std::mt19937_64 random(static_cast<std::uint64_t>(count));
        std::vector<std::pair<std::int64_t, int>> items;
        for (int i = 0; i < count; ++i) {
            // Every fourth key repeats an earlier one, so ties cross the passes' digits.
            const std::int64_t key = i % 4 == 3
                                         ? items[random() % items.size()].first
                                         : static_cast<std::int64_t>(random() % (std::uint64_t(largest) + 1));
            items.emplace_back(key, i);
        }
        std::vector<std::pair<std::int64_t, int>> expected = items;
        std::stable_sort(expected.begin(), expected.end(),
                         [](const auto& a, const auto& b) { return a.first > b.first; });
        drovalin::StableSortByKeyDescending(items, [](const auto& item) { return item.first; });
        QVERIFY(items == expected);
    }
};

QTEST_APPLESS_MAIN(TestTables)
#include "test_tables.moc"
