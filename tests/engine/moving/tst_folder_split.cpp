#include <QTest>

#include <sys/stat.h>

#include <filesystem>
#include <functional>

#include "folder_snapshot.h"
#include "moving/folder_split.h"
#include "scratch_folder.h"

using drovalin::SplitMedium;
using drovalin::SplitOutcome;
using Media = std::vector<SplitMedium>;

Q_DECLARE_METATYPE(FolderTree)
Q_DECLARE_METATYPE(Media)
Q_DECLARE_METATYPE(SplitOutcome)

namespace {

class FakeSplitDialogs : public drovalin::SplitDialogs {
  public:
    bool answer = true;
    std::function<void()> whileAsking;
    QStringList calls;

    bool ConfirmSplit(const Media& media) override {
        calls << QStringLiteral("confirm %1").arg(media.size());
        if (whileAsking) whileAsking();
        return answer;
    }
    void ReportExistingSubfolder(const std::string& subfolder) override {
        calls << QStringLiteral("exists ") + QString::fromStdString(subfolder);
    }
    void ReportSubfolderFailure(const std::string& subfolder, const std::string&) override {
        calls << QStringLiteral("cannot make ") + QString::fromStdString(subfolder);
    }
    void ReportChangedFiles(const std::vector<std::string>& names) override {
        for (const std::string& name : names)
            calls << QStringLiteral("changed ") + QString::fromStdString(name);
    }
    void ReportMoveFailure(const std::string& name, const std::string& reason) override {
        calls << QStringLiteral("move failure ") + QString::fromStdString(name);
        QVERIFY(!reason.empty());
    }
};

const Media kTwoMedia{{"w1", {"a"}}, {"w2", {"b", "c"}}};
const FolderTree kAbc{{"a", "AAAA"}, {"b", "BB"}, {"c", "C"}};

FolderTree With(FolderTree tree, const FolderTree& more) {
    tree.insert(more.begin(), more.end());
    return tree;
}

}  // namespace

class TestFolderSplit : public QObject {
    Q_OBJECT

  private slots:
    void split_data() {
        QTest::addColumn<FolderTree>("before");
        QTest::addColumn<Media>("media");
        QTest::addColumn<bool>("answer");
        QTest::addColumn<SplitOutcome>("outcome");
        QTest::addColumn<QStringList>("calls");
        QTest::addColumn<FolderTree>("after");

        QTest::newRow("each medium into its own new subfolder")
            << kAbc << kTwoMedia << true << SplitOutcome::Moved << QStringList{"confirm 2"}
            << FolderTree{{"w1/", ""}, {"w1/a", "AAAA"}, {"w2/", ""}, {"w2/b", "BB"}, {"w2/c", "C"}};
        QTest::newRow("cancel changes nothing")
            << kAbc << kTwoMedia << false << SplitOutcome::Cancelled << QStringList{"confirm 2"} << kAbc;
        QTest::newRow("an existing w2 folder: nothing moved, not even asked")
            << With(kAbc, {{"w2/", ""}, {"w2/b", "older"}}) << kTwoMedia << true
            << SplitOutcome::SubfolderExists << QStringList{"exists w2"}
            << With(kAbc, {{"w2/", ""}, {"w2/b", "older"}});
        QTest::newRow("a plain file named w1 is taken too")
            << With(kAbc, {{"w1", "file"}}) << kTwoMedia << true << SplitOutcome::SubfolderExists
            << QStringList{"exists w1"} << With(kAbc, {{"w1", "file"}});
        QTest::newRow("W1 is not w1")
            << With(kAbc, {{"W1/", ""}}) << kTwoMedia << true << SplitOutcome::Moved
            << QStringList{"confirm 2"} << FolderTree{{"W1/", ""}, {"w1/", ""},    {"w1/a", "AAAA"},
                                                      {"w2/", ""}, {"w2/b", "BB"}, {"w2/c", "C"}};
        QTest::newRow("a file of another size than listed: nothing moved, not even asked")
            << kAbc << Media{{"w1", {"a"}, {4}}, {"w2", {"b", "c"}, {2, 5}}} << true
            << SplitOutcome::FilesChanged << QStringList{"changed c"} << kAbc;
        QTest::newRow("a vanished file stops the split; what moved stays")
            << kAbc << Media{{"w1", {"a", "gone"}}, {"w2", {"b"}}} << true << SplitOutcome::MoveFailed
            << QStringList{"confirm 2", "move failure gone"}
            << FolderTree{{"b", "BB"}, {"c", "C"}, {"w1/", ""}, {"w1/a", "AAAA"}};
        QTest::newRow("a name that leaves the folder never moves; its empty subfolder goes")
            << kAbc << Media{{"w1", {"a"}}, {"w2", {"../b"}}} << true << SplitOutcome::MoveFailed
            << QStringList{"confirm 2", "move failure ../b"}
            << FolderTree{{"b", "BB"}, {"c", "C"}, {"w1/", ""}, {"w1/a", "AAAA"}};
    }

    void split() {
        QFETCH(FolderTree, before);
        QFETCH(Media, media);
        QFETCH(bool, answer);
        QFETCH(SplitOutcome, outcome);
        QFETCH(QStringList, calls);
        QFETCH(FolderTree, after);
        ScratchFolder dir;
        QVERIFY(dir.IsValid());
        QVERIFY(WriteFolderTree(dir.Path(), before));
        FakeSplitDialogs dialogs;
        dialogs.answer = answer;
        drovalin::MoveRecord record;

        QCOMPARE(drovalin::SplitIntoSubfolders(dir.Path(), media, dialogs, &record), outcome);
        QCOMPARE(dialogs.calls, calls);
        QCOMPARE(DescribeFolderTree(ReadFolderTree(dir.Path())), DescribeFolderTree(after));
        // The record names exactly what changed, in order, for an undo to take back.
        for (const drovalin::MoveRecord::Step& step : record.moved) {
            QVERIFY(!std::filesystem::exists(step.from));
            QVERIFY(std::filesystem::exists(step.to));
        }
        for (const std::string& folder : record.createdFolders)
            QVERIFY(std::filesystem::is_directory(folder));
    }

    // The folder changes while the question is open: the subfolder made meanwhile is not filled.
    void subfolderMadeWhileAsking() {
        ScratchFolder dir;
        QVERIFY(dir.IsValid());
        QVERIFY(WriteFolderTree(dir.Path(), kAbc));
        FakeSplitDialogs dialogs;
        dialogs.whileAsking = [&] { QCOMPARE(mkdir((dir.Path() + "/w2").c_str(), 0755), 0); };
        drovalin::MoveRecord record;
        QCOMPARE(drovalin::SplitIntoSubfolders(dir.Path(), kTwoMedia, dialogs, &record),
                 SplitOutcome::SubfolderExists);
        QCOMPARE(dialogs.calls, (QStringList{"confirm 2", "exists w2"}));
        QCOMPARE(DescribeFolderTree(ReadFolderTree(dir.Path())),
                 DescribeFolderTree(With(kAbc, {{"w2/", ""}})));
        QVERIFY(record.moved.empty() && record.createdFolders.empty());
    }

    void subfolderNames() {
        QCOMPARE(drovalin::SplitSubfolderName(0), std::string("w1"));
        QCOMPARE(drovalin::SplitSubfolderName(11), std::string("w12"));
    }
};

QTEST_GUILESS_MAIN(TestFolderSplit)
#include "tst_folder_split.moc"
