#include <QTest>

#include <unistd.h>

#include <filesystem>

#include "folder_snapshot.h"
#include "moving/combination_mover.h"
#include "moving/move_undo.h"
#include "scratch_folder.h"

using drovalin::MoveRecord;
using drovalin::UndoMove;
using drovalin::UndoResult;
using Names = std::vector<std::string>;

Q_DECLARE_METATYPE(FolderTree)
Q_DECLARE_METATYPE(Names)

namespace {

class ConfirmingDialogs : public drovalin::MoveDialogs {
  public:
    bool ConfirmMove(const Names&, const std::string&) override { return true; }
    void ReportMoveFailure() override { ++failures; }
    void ReportSubfolderFailure(const std::string&) override { ++failures; }
    int failures = 0;
};

// Paths under root, relative to it.
Names Relative(const std::string& root, const Names& paths) {
    Names relative;
    for (const std::string& path : paths) relative.push_back(path.substr(root.size() + 1));
    return relative;
}

}  // namespace

class TestMoveUndo : public QObject {
    Q_OBJECT

  private slots:
    void undoAfterMove_data();
    void undoAfterMove();
    void stepsGoBackLastFirst();
};

void TestMoveUndo::undoAfterMove_data() {
    QTest::addColumn<FolderTree>("before");
    QTest::addColumn<Names>("moved");
    QTest::addColumn<Names>("removedMeanwhile");
    QTest::addColumn<FolderTree>("addedMeanwhile");
    QTest::addColumn<FolderTree>("after");
    QTest::addColumn<Names>("notReturned");
    QTest::addColumn<Names>("keptFolders");
    QTest::addColumn<bool>("complete");

    QTest::newRow("every file back, the created w removed")
        << FolderTree{{"a", "A"}, {"b", "B"}, {"c", "C"}} << Names{"a", "b"} << Names{} << FolderTree{}
        << FolderTree{{"a", "A"}, {"b", "B"}, {"c", "C"}} << Names{} << Names{} << true;
    QTest::newRow("a w that was there before stays")
        << FolderTree{{"a", "A"}, {"w/", ""}, {"w/old", "O"}} << Names{"a"} << Names{} << FolderTree{}
        << FolderTree{{"a", "A"}, {"w/", ""}, {"w/old", "O"}} << Names{} << Names{} << true;
    QTest::newRow("the created w kept while it holds a new file")
        << FolderTree{{"a", "A"}} << Names{"a"} << Names{} << FolderTree{{"w/new", "N"}}
        << FolderTree{{"a", "A"}, {"w/", ""}, {"w/new", "N"}} << Names{} << Names{"w"} << true;
    QTest::newRow("a file back in the way is never replaced")
        << FolderTree{{"a", "A"}, {"b", "B"}} << Names{"a", "b"} << Names{} << FolderTree{{"a", "in the way"}}
        << FolderTree{{"a", "in the way"}, {"b", "B"}, {"w/", ""}, {"w/a", "A"}} << Names{"w/a"} << Names{"w"}
        << false;
    QTest::newRow("a file gone from w")
        << FolderTree{{"a", "A"}, {"b", "B"}} << Names{"a", "b"} << Names{"w/a"} << FolderTree{}
        << FolderTree{{"b", "B"}} << Names{"w/a"} << Names{} << false;
    QTest::newRow("w replaced by a plain file")
        << FolderTree{{"a", "A"}} << Names{"a"} << Names{"w/a", "w"} << FolderTree{{"w", "plain"}}
        << FolderTree{{"w", "plain"}} << Names{"w/a"} << Names{"w"} << false;
}

void TestMoveUndo::undoAfterMove() {
    QFETCH(FolderTree, before);
    QFETCH(Names, moved);
    QFETCH(Names, removedMeanwhile);
    QFETCH(FolderTree, addedMeanwhile);
    QFETCH(FolderTree, after);
    QFETCH(Names, notReturned);
    QFETCH(Names, keptFolders);
    QFETCH(bool, complete);
    ScratchFolder scratch;
    QVERIFY(scratch.IsValid());
    const std::string root = scratch.Path();
    QVERIFY(WriteFolderTree(root, before));
    ConfirmingDialogs dialogs;
    MoveRecord record;
    drovalin::MoveOptions options;
    options.record = &record;
    QCOMPARE(drovalin::MoveCombination(root, moved, dialogs, options), drovalin::MoveOutcome::Moved);
    for (const std::string& path : removedMeanwhile) QVERIFY(std::filesystem::remove(root + "/" + path));
    QVERIFY(WriteFolderTree(root, addedMeanwhile));

    const UndoResult result = UndoMove(record);

    const FolderTree found = ReadFolderTree(root);
    QVERIFY2(found == after, DescribeFolderTree(found).constData());
    Names from;
    for (const UndoResult::NotReturned& file : result.notReturned) {
        from.push_back(file.from);
        QCOMPARE(file.to, root + file.from.substr(file.from.rfind('/')));
        QVERIFY(!file.reason.empty());
    }
    QCOMPARE(Relative(root, from), notReturned);
    Names kept;
    for (const UndoResult::KeptFolder& folder : result.keptFolders) kept.push_back(folder.path);
    QCOMPARE(Relative(root, kept), keptFolders);
    QCOMPARE(result.Complete(), complete);
}

// A record may pass one file through several folders; only the reverse order brings it home.
void TestMoveUndo::stepsGoBackLastFirst() {
    ScratchFolder scratch;
    QVERIFY(scratch.IsValid());
    const std::string root = scratch.Path();
    QVERIFY(WriteFolderTree(root, {{"x/", ""}, {"y/", ""}, {"y/f", "F"}}));
    MoveRecord record;
    record.createdFolders = {root + "/x", root + "/y"};
    record.moved = {{root + "/f", root + "/x/f"}, {root + "/x/f", root + "/y/f"}};

    const UndoResult result = UndoMove(record);

    QVERIFY(result.Complete());
    const FolderTree found = ReadFolderTree(root);
    QVERIFY2(found == (FolderTree{{"f", "F"}}), DescribeFolderTree(found).constData());
}

QTEST_APPLESS_MAIN(TestMoveUndo)
#include "tst_move_undo.moc"
