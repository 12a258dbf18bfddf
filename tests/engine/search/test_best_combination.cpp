#include <QTest>
#include <algorithm>
#include <cstdint>
#include <memory>
#include <random>
#include <set>
#include <vector>

#include "search/best_combination.h"
#include "search/combination_search.h"
#include "tables/file_table.h"

using drovalin::BestCombination;
using drovalin::FileTable;
using Sizes = std::vector<std::int64_t>;
Q_DECLARE_METATYPE(Sizes)

namespace {

std::shared_ptr<FileTable> Table(const Sizes& sizes) {
    auto table = std::make_shared<FileTable>();
    for (std::size_t i = 0; i < sizes.size(); ++i)
        table->Append(std::string("f").append(std::to_string(1000 + i)), sizes[i]);
    table->SortBySizeDescending();
    return table;
}

// The largest total below the capacity over every subset, by enumeration.
std::int64_t BruteForceBest(const Sizes& sizes, std::int64_t capacity) {
    std::int64_t best = 0;
    for (std::uint32_t mask = 0; mask < (1u << sizes.size()); ++mask) {
        std::int64_t total = 0;
        for (std::size_t i = 0; i < sizes.size(); ++i)
            if (mask & (1u << i)) total += sizes[i];
        if (total < capacity) best = std::max(best, total);
    }
    return best;
}

std::int64_t GreedyBest(const std::shared_ptr<FileTable>& table, std::int32_t capacity) {
    drovalin::CombinationTable combinations(table);
    drovalin::SearchCombinations(*table, capacity, combinations);
    return combinations.Rows() > 1 ? combinations.Total(1) : 0;
}

}  // namespace

class TestBestCombination : public QObject {
    Q_OBJECT
  private slots:
    void matchesBruteForce_data() {
        QTest::addColumn<int>("files");
        QTest::addColumn<qint64>("largest");
        QTest::addColumn<qint64>("capacity");
        QTest::newRow("small sizes, small capacity") << 10 << qint64(40) << qint64(100);
        QTest::newRow("sizes near the capacity") << 12 << qint64(1000) << qint64(1001);
        QTest::newRow("many duplicates") << 14 << qint64(6) << qint64(23);
        QTest::newRow("DVD-sized files") << 14 << qint64(2'500'000) << qint64(4'589'843);
        // Past the bitset's reach: the branch and bound alone has to prove the answer.
        QTest::newRow("capacity beyond the bitset") << 14 << qint64(30'000'000) << qint64(60'000'001);
        QTest::newRow("even sizes, odd room") << 12 << qint64(50) << qint64(102);
    }
    void matchesBruteForce() {
        QFETCH(int, files);
        QFETCH(qint64, largest);
        QFETCH(qint64, capacity);
        std::mt19937_64 random(static_cast<std::uint64_t>(files * 7919 + capacity));
        const bool even = QByteArray(QTest::currentDataTag()).startsWith("even");
        for (int round = 0; round < 150; ++round) {
            Sizes sizes;
            for (int i = 0; i < files; ++i) {
                std::int64_t size = std::uniform_int_distribution<std::int64_t>(0, largest)(random);
                if (even) size -= size % 2;
                sizes.push_back(size);
            }
            const auto table = Table(sizes);
            const auto cap = static_cast<std::int32_t>(capacity);
            const drovalin::BestCombinationResult best = BestCombination(*table, cap);

            QCOMPARE(static_cast<qint64>(best.total), static_cast<qint64>(BruteForceBest(sizes, capacity)));
            QVERIFY(best.exact);
            QVERIFY(best.total >= GreedyBest(table, cap));
            // The rows are distinct table rows in table order, add up to the total and take every 0 KB file.
            QVERIFY(std::is_sorted(best.rows.begin(), best.rows.end()));
            QCOMPARE(std::set<int>(best.rows.begin(), best.rows.end()).size(), best.rows.size());
            std::int64_t total = 0;
            for (const int row : best.rows) {
                QVERIFY(row >= 1 && row < table->Rows());
                total += table->Kilobytes(row);
            }
            QCOMPARE(total, best.total);
            for (int row = 1; row < table->Rows(); ++row)
                if (table->Kilobytes(row) == 0)
                    QVERIFY(std::find(best.rows.begin(), best.rows.end(), row) != best.rows.end());
            QCOMPARE(BestCombination(*table, cap).rows, best.rows);
        }
    }

    void edges_data() {
        QTest::addColumn<Sizes>("sizes");
        QTest::addColumn<int>("capacity");
        QTest::addColumn<qint64>("total");
        QTest::addColumn<int>("count");
        QTest::newRow("capacity 0: nothing") << Sizes{0, 5} << 0 << qint64(0) << 0;
        QTest::newRow("negative capacity") << Sizes{0, 5} << -3 << qint64(0) << 0;
        QTest::newRow("capacity 1: only 0 KB files") << Sizes{0, 0, 1, 7} << 1 << qint64(0) << 2;
        QTest::newRow("everything fits") << Sizes{3, 4, 0} << 8 << qint64(7) << 3;
        QTest::newRow("a file as large as the capacity") << Sizes{10, 9} << 10 << qint64(9) << 1;
        QTest::newRow("empty table") << Sizes{} << 100 << qint64(0) << 0;
    }
    void edges() {
        QFETCH(Sizes, sizes);
        QFETCH(int, capacity);
        const drovalin::BestCombinationResult best = BestCombination(*Table(sizes), capacity);
        QTEST(static_cast<qint64>(best.total), "total");
        QTEST(static_cast<int>(best.rows.size()), "count");
        QVERIFY(best.exact);
    }

    // Where the greedy walks fall short: 7 + 5 + 5 needs a walk that skips the 6.
    void beatsTheGreedyWalks() {
        const auto table = Table({7, 6, 5, 5});
        const drovalin::BestCombinationResult best = BestCombination(*table, 18);
        QCOMPARE(GreedyBest(table, 18), std::int64_t{16});
        QCOMPARE(best.total, std::int64_t{17});
    }

    // A search asked to stop hands back nothing, rather than a set it had no time to check.
    void stopsWhenAsked() {
        Sizes sizes;
        for (int i = 0; i < 3000; ++i) sizes.push_back(1000 + (i * 7919) % 90000);
        std::stop_source stop;
        stop.request_stop();
        QVERIFY(BestCombination(*Table(sizes), 700000, {}, stop.get_token()).rows.empty());
        QVERIFY(!BestCombination(*Table(sizes), 700000).rows.empty());
    }
};

QTEST_GUILESS_MAIN(TestBestCombination)
#include "test_best_combination.moc"
