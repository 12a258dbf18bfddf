#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "../moving/scratch_folder.h"
#include "listing/stat_batch.h"

using drovalin::MeasuredName;
using drovalin::StatBatch;

class TestStatBatch : public QObject {
    Q_OBJECT

  private slots:
    void sameAnswersAsOneAtATime_data();
    void sameAnswersAsOneAtATime();
};

void TestStatBatch::sameAnswersAsOneAtATime_data() {
    QTest::addColumn<bool>("batched");
    QTest::newRow("in batches, where the system allows them") << true;
    QTest::newRow("one name at a time") << false;
}

// A file, a folder, a link (never followed), a pipe, a missing name, and more files than one batch holds.
void TestStatBatch::sameAnswersAsOneAtATime() {
    QFETCH(bool, batched);
    ScratchFolder scratch;
    QVERIFY(scratch.IsValid());
    const std::string root = scratch.Path();
    std::vector<std::string> names{"a", "d", "l", "p", "missing"};
    const int file = open((root + "/a").c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
    QVERIFY(file >= 0 && ftruncate(file, 5) == 0);
    close(file);
    QCOMPARE(mkdir((root + "/d").c_str(), 0755), 0);
    QCOMPARE(symlink("a", (root + "/l").c_str()), 0);
    QCOMPARE(mkfifo((root + "/p").c_str(), 0644), 0);
    for (int i = 0; i < 600; ++i) {
        names.push_back("f" + std::to_string(i));
        const int more = open((root + "/" + names.back()).c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
        QVERIFY(more >= 0 && ftruncate(more, i * 1000) == 0);
        close(more);
    }
    std::vector<const char*> pointers;
    for (const std::string& name : names) pointers.push_back(name.c_str());
    const int folder = open(root.c_str(), O_RDONLY | O_DIRECTORY);
    QVERIFY(folder >= 0);

    StatBatch stat(batched);
    std::vector<MeasuredName> results;
    stat.Measure(folder, pointers, results);
    close(folder);
    if (batched && !stat.Batched()) qInfo("the system refuses batches here: measured one at a time");

    QCOMPARE(results.size(), names.size());
    QVERIFY(results[0].error == 0 && S_ISREG(results[0].mode) && results[0].bytes == 5);
    QVERIFY(results[1].error == 0 && S_ISDIR(results[1].mode));
    QVERIFY(results[2].error == 0 && S_ISLNK(results[2].mode));
    QVERIFY(results[3].error == 0 && S_ISFIFO(results[3].mode));
    QCOMPARE(results[4].error, ENOENT);
    for (int i = 0; i < 600; ++i) {
        const MeasuredName& measured = results[static_cast<std::size_t>(5 + i)];
        QVERIFY(measured.error == 0 && S_ISREG(measured.mode));
        QCOMPARE(measured.bytes, std::int64_t{i} * 1000);
    }
}

QTEST_APPLESS_MAIN(TestStatBatch)
#include "test_stat_batch.moc"
