#include <QTest>
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "search/combination_search.h"
#include "tables/text_grid.h"

using drovalin::CombinationTable;
using drovalin::FileTable;
using drovalin::TextGrid;

namespace {

// The search as the window's original routine walked it: one cell at a time through the grid operations,
// every start row from the first data row to the last, and every walk down to the last data row.
class ReferenceSearch {
  public:
    ReferenceSearch(TextGrid& files, TextGrid& combinations, std::int64_t capacity)
        : files_(files), combinations_(combinations), capacity_(capacity) {}

    void Run() {
        files_.SetCol(1);
        for (int start = 1; start <= files_.Rows() - 1; ++start) {
            files_.SetRow(start);
            if (std::stod(files_.Text()) < static_cast<double>(capacity_)) {
                files_.SetCol(0);
                names_ = files_.Text();
                count_ = 1;
                files_.SetCol(1);
                std::int64_t total = std::stoll(files_.Text());
                FillCombination(total);
            }
        }
        combinations_.SetCol(0);
        combinations_.Sort(2);
    }

  private:
    void FillCombination(std::int64_t& total) {
        for (;;) {
            const int row = files_.Row();
            if (row + 1 > files_.Rows() - 1) break;
            files_.SetRow(row + 1);
            const double sum = std::stod(files_.Text()) + static_cast<double>(total);
            if (sum < static_cast<double>(capacity_)) {
                total = std::stoll(files_.Text()) + total;
                files_.SetCol(0);
                // Appended, not a literal + a temporary string: g++ 12 at -O3 warns falsely about that form
                // (-Wrestrict).
                names_.append(",").append(files_.Text());
                ++count_;
                files_.SetCol(1);
            }
        }
        combinations_.AddItem(std::to_string(total) + "\t" + std::to_string(count_) + "\t" +
                              std::to_string(capacity_ - total) + "\t" + names_);
    }

    TextGrid& files_;
    TextGrid& combinations_;
    std::int64_t capacity_;
    std::string names_;
    std::int64_t count_ = 0;
};

struct Outcome {
    std::shared_ptr<FileTable> files = std::make_shared<FileTable>();
    std::shared_ptr<CombinationTable> combinations = std::make_shared<CombinationTable>(files);
};

// Runs the engine on sizes given in any order; names are unique so the file order is fully determined.
Outcome Search(const std::vector<std::int64_t>& sizes, std::int32_t capacity) {
    Outcome outcome;
    for (std::size_t i = sizes.size(); i-- > 0;)
        outcome.files->Append(std::string("f").append(std::to_string(100000 + i)), sizes[i]);
    outcome.files->SortBySizeDescending();
    drovalin::SearchCombinations(*outcome.files, capacity, *outcome.combinations);
    return outcome;
}

// The reference's combination table for the same files: added in name order, which the stable sort keeps
// for equal sizes, as the engine's file table orders them.
TextGrid ReferenceCombinations(const std::vector<std::int64_t>& sizes, std::int32_t capacity) {
    TextGrid files({"name", "size"});
    for (std::size_t i = 0; i < sizes.size(); ++i)
        files.AddItem(std::string("f")
                          .append(std::to_string(100000 + i))
                          .append("\t")
                          .append(std::to_string(sizes[i])));
    files.SetCol(1);
    files.Sort(2);
    TextGrid combinations({"total", "count", "free", "names"});
    ReferenceSearch(files, combinations, capacity).Run();
    return combinations;
}

// Empty when the two tables agree cell for cell, else a description of the first difference.
QString FirstDifference(const drovalin::GridTable& expected, const drovalin::GridTable& actual) {
    if (expected.Rows() != actual.Rows())
        return QString("rows: expected %1, got %2").arg(expected.Rows() - 1).arg(actual.Rows() - 1);
    for (int row = 1; row < expected.Rows(); ++row)
        for (int col = 0; col < 4; ++col)
            if (expected.Cell(row, col) != actual.Cell(row, col))
                return QString("row %1 col %2: expected \"%3\", got \"%4\"")
                    .arg(row)
                    .arg(col)
                    .arg(QString::fromStdString(expected.Cell(row, col)))
                    .arg(QString::fromStdString(actual.Cell(row, col)));
    return {};
}

// A name from two numbers; snprintf rather than string concatenation, which g++ 12 at -O3 warns about.
std::string FileName(std::uint64_t first, std::uint64_t second) {
    char name[48];
    std::snprintf(name, sizeof(name), "f%llu-%llu", static_cast<unsigned long long>(first),
                  static_cast<unsigned long long>(second));
    return name;
}

}  // namespace

class TestCombinationSearch : public QObject {
    Q_OBJECT
  private slots:
    void workedExample() {
        const Outcome outcome = Search({60, 50, 30, 20, 15, 12}, 100);
        const std::vector<std::vector<std::string>> expected{
            {"95", "3", "5", "f100001,f100002,f100004"},
            {"90", "2", "10", "f100000,f100002"},
            {"77", "4", "23", "f100002,f100003,f100004,f100005"},
            {"47", "3", "53", "f100003,f100004,f100005"},
            {"27", "2", "73", "f100004,f100005"},
            {"12", "1", "88", "f100005"}};
        QCOMPARE(outcome.combinations->Rows(), 7);
        for (int row = 1; row <= 6; ++row)
            for (int col = 0; col < 4; ++col)
                QCOMPARE(outcome.combinations->Cell(row, col), expected[row - 1][col]);
    }

    void againstReference_data() {
        QTest::addColumn<QList<qint64>>("sizes");
        QTest::addColumn<int>("capacity");
        QTest::newRow("no files") << QList<qint64>{} << 100;
        QTest::newRow("capacity 0") << QList<qint64>{0, 0, 5} << 0;
        QTest::newRow("negative capacity") << QList<qint64>{0, 3} << -7;
        QTest::newRow("file equal to capacity") << QList<qint64>{100, 40, 60, 59} << 100;
        QTest::newRow("exact fit is skipped") << QList<qint64>{70, 30, 29, 1} << 100;
        QTest::newRow("only zeros") << QList<qint64>{0, 0, 0} << 1;
        QTest::newRow("capacity 1") << QList<qint64>{1, 0, 2, 0} << 1;
        QTest::newRow("capacity above the sum") << QList<qint64>{5, 4, 3, 3, 0} << 1000;
        QTest::newRow("nothing fits beside") << QList<qint64>{90, 80, 70} << 100;
        QTest::newRow("largest capacity") << QList<qint64>{2147483646, 2147483647, 1, 0} << 2147483647;
        QTest::newRow("huge files never overflow")
            << QList<qint64>{qint64{1} << 62, qint64{1} << 62, qint64{1} << 61, 5, 3} << 2147483647;
        QTest::newRow("halving runs") << QList<qint64>{64, 63, 40, 33, 20, 17, 9, 8, 5, 4, 2, 1, 1, 0} << 128;
    }
    void againstReference() {
        QFETCH(QList<qint64>, sizes);
        QFETCH(int, capacity);
        const std::vector<std::int64_t> sizeVector(sizes.begin(), sizes.end());
        const Outcome outcome = Search(sizeVector, capacity);
        const QString difference =
            FirstDifference(ReferenceCombinations(sizeVector, capacity), *outcome.combinations);
        QVERIFY2(difference.isEmpty(), qPrintable(difference));
    }

    // Thousands of seeded random tables: sizes from several spreads, with zeros, duplicates and sizes at
    // the capacity; capacities from negative to above the sum.
    void randomTablesAgainstReference() {
        std::mt19937_64 random(20240611);
        for (int table = 0; table < 4000; ++table) {
            const int count = std::uniform_int_distribution<int>(0, 40)(random);
            const std::int64_t spread = std::vector<std::int64_t>{3, 20, 200, 5000}[table % 4];
            std::vector<std::int64_t> sizes(count);
            for (auto& size : sizes) size = std::uniform_int_distribution<std::int64_t>(0, spread)(random);
            std::int64_t sum = 0;
            for (const auto size : sizes) sum += size;
            std::int32_t capacity = 0;
            switch (table % 7) {
                case 0:
                    capacity = std::uniform_int_distribution<std::int32_t>(-3, 0)(random);
                    break;
                case 1:
                    capacity = static_cast<std::int32_t>(sum + 1 + table % 5);
                    break;
                case 2:
                    capacity = count > 0 ? static_cast<std::int32_t>(sizes[table % count]) : 1;
                    break;
                default:
                    capacity = std::uniform_int_distribution<std::int32_t>(
                        1, static_cast<std::int32_t>(2 * spread))(random);
            }
            const Outcome outcome = Search(sizes, capacity);
            const QString difference =
                FirstDifference(ReferenceCombinations(sizes, capacity), *outcome.combinations);
            QVERIFY2(
                difference.isEmpty(),
                qPrintable(QString("table %1, capacity %2: %3").arg(table).arg(capacity).arg(difference)));
        }
    }

    // Long walks with many runs, where the binary searches go deep.
    void largeTablesAgainstReference() {
        std::mt19937_64 random(7);
        for (const int capacity : {1000, 65536, 4589843}) {
            std::lognormal_distribution<double> logNormal(std::log(capacity / 300.0), 1.5);
            std::vector<std::int64_t> sizes(1500);
            for (auto& size : sizes) size = static_cast<std::int64_t>(logNormal(random));
            for (std::size_t i = 0; i < sizes.size(); i += 50) sizes[i] = 0;
            for (std::size_t i = 1; i < sizes.size(); i += 37) sizes[i] = sizes[i - 1];
            const Outcome outcome = Search(sizes, capacity);
            const QString difference =
                FirstDifference(ReferenceCombinations(sizes, capacity), *outcome.combinations);
            QVERIFY2(difference.isEmpty(),
                     qPrintable(QString("capacity %1: %2").arg(capacity).arg(difference)));
        }
    }

    // Walks of different start rows run on several threads; the table must come out as from one thread,
    // equal totals in start order included. Large enough that the file sort runs on threads too; with
    // spread 0 every file is 1 KB, so nearly every total is equal.
    void threadsGiveTheSameTable_data() {
        QTest::addColumn<int>("files");
        QTest::addColumn<int>("spread");
        QTest::addColumn<int>("capacity");
        QTest::addColumn<unsigned>("threads");
        QTest::newRow("log-normal, 2 threads") << 70000 << 30000 << 300000 << 2u;
        QTest::newRow("log-normal, 3 threads") << 70000 << 3000 << 100000 << 3u;
        QTest::newRow("equal totals, 8 threads") << 20000 << 0 << 10 << 8u;
        QTest::newRow("few files, 16 threads") << 300 << 50 << 200 << 16u;
        QTest::newRow("nothing fits, 4 threads") << 5000 << 3000 << 1 << 4u;
    }
    void threadsGiveTheSameTable() {
        QFETCH(int, files);
        QFETCH(int, spread);
        QFETCH(int, capacity);
        QFETCH(unsigned, threads);
        std::mt19937_64 random(static_cast<unsigned>(files + capacity));
        std::lognormal_distribution<double> logNormal(std::log(spread + 1.0), 1.3);
        std::vector<std::int64_t> sizes(files);
        for (std::size_t i = 0; i < sizes.size(); ++i)
            sizes[i] = spread == 0     ? 1
                       : i % 4000 == 0 ? 0
                       : i % 40 == 0   ? spread / 1000
                                       : static_cast<std::int64_t>(logNormal(random));
        const auto run = [&](unsigned count) {
            Outcome outcome;
            for (std::size_t i = 0; i < sizes.size(); ++i)
                outcome.files->Append(FileName(random() % 100000, i), sizes[i]);
            outcome.files->SortBySizeDescending(count);
            drovalin::RebuildControl control;
            control.searchThreads = count;
            drovalin::SearchCombinations(*outcome.files, capacity, *outcome.combinations, control);
            return outcome;
        };
        const std::mt19937_64 names = random;
        const Outcome one = run(1);
        random = names;  // the same names again
        const Outcome many = run(threads);
        QCOMPARE(many.files->Rows(), one.files->Rows());
        for (int row = 1; row < one.files->Rows(); ++row)
            QCOMPARE(many.files->Name(row), one.files->Name(row));
        QVERIFY(one.combinations->Rows() > 1 || capacity == 1);
        const QString difference = FirstDifference(*one.combinations, *many.combinations);
        QVERIFY2(difference.isEmpty(), qPrintable(difference));
    }

    void stopLeavesTheTableEmpty() {
        auto files = std::make_shared<FileTable>();
        for (int i = 0; i < 50000; ++i) files->Append(FileName(i, i), 50000 - i);
        files->SortBySizeDescending();
        CombinationTable combinations(files);
        std::stop_source stop;
        drovalin::RebuildControl control;
        control.stop = stop.get_token();
        control.progressInterval = std::chrono::milliseconds(0);
        std::int64_t lastDone = -1;
        control.progress = [&](const drovalin::RebuildProgress& progress) {
            lastDone = progress.done;
            if (progress.done > 0) stop.request_stop();
        };
        drovalin::SearchCombinations(*files, 1000000, combinations, control);
        QVERIFY(stop.stop_requested());
        QVERIFY(lastDone < 50000);
        QCOMPARE(combinations.Rows(), 1);
    }

    void searchRefusesAMismatchedOrUnsortedTable() {
        FileTable files;
        files.Append("small", 1);
        files.Append("large", 9);
        CombinationTable other;
        QVERIFY_THROWS_EXCEPTION(std::invalid_argument, drovalin::SearchCombinations(files, 10, other));
        auto shared = std::make_shared<FileTable>(files);
        CombinationTable combinations(shared);
        QVERIFY_THROWS_EXCEPTION(std::invalid_argument,
                                 drovalin::SearchCombinations(*shared, 10, combinations));
    }
};

QTEST_APPLESS_MAIN(TestCombinationSearch)
#include "test_combination_search.moc"
