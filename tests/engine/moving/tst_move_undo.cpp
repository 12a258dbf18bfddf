#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>
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
    void undoBeyondPathLimit();
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
    const FolderTree tree{{"sub/", ""}, {"sub/x", "X"}, {"sub/d/", ""}, {"sub/d/y", "Y"},
                          {"a/", ""},   {"a/b/", ""},   {"a/b/c", "C"}, {"a/d", "D"}};
    QTest::newRow("a subfolder kept whole goes back")
        << tree << Names{"sub/"} << Names{} << FolderTree{} << tree << Names{} << Names{} << true;
    QTest::newRow("files below the folder go back; the folders made in w are removed")
        << tree << Names{"a/b/c", "a/d"} << Names{} << FolderTree{} << tree << Names{} << Names{} << true;
    QTest::newRow("a file that reappeared at its origin is not replaced")
        << tree << Names{"a/b/c", "a/d"} << Names{} << FolderTree{{"a/b/c", "new"}} <<
        [&] {
            FolderTree after = tree;
            after["a/b/c"] = "new";
            after.insert({{"w/", ""}, {"w/a/", ""}, {"w/a/b/", ""}, {"w/a/b/c", "C"}});
            return after;
        }()
        << Names{"w/a/b/c"} << Names{"w/a/b", "w/a", "w"} << false;
    QTest::newRow("an empty folder that reappeared at its origin is not replaced")
        << tree << Names{"sub/"} << Names{} << FolderTree{{"sub/", ""}} <<
        [&] {
            FolderTree after = tree;
            after.erase("sub/x");
            after.erase("sub/d/");
            after.erase("sub/d/y");
            after.insert(
                {{"w/", ""}, {"w/sub/", ""}, {"w/sub/x", "X"}, {"w/sub/d/", ""}, {"w/sub/d/y", "Y"}});
            return after;
        }()
        << Names{"w/sub"} << Names{"w"} << false;
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
        QCOMPARE(file.to, root + file.from.substr(root.size() + 2));
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

// A file far below the folder, past the system's path limit, moves into w and comes back, and the
// folders made for it in w are removed.
void TestMoveUndo::undoBeyondPathLimit() {
    ScratchFolder scratch;
    QVERIFY(scratch.IsValid());
    const std::string root = scratch.Path();
    const std::string part(200, 'd');
    constexpr int kDepth = 25;
    std::vector<int> chain{open(root.c_str(), O_RDONLY | O_DIRECTORY)};
    std::string item;
    for (int i = 0; i < kDepth; ++i) {
        QCOMPARE(mkdirat(chain.back(), part.c_str(), 0755), 0);
        chain.push_back(openat(chain.back(), part.c_str(), O_RDONLY | O_DIRECTORY));
        item += part + "/";
    }
    item += "f";
    QVERIFY(item.size() > PATH_MAX);
    const int file = openat(chain.back(), "f", O_WRONLY | O_CREAT | O_EXCL, 0644);
    QVERIFY(file >= 0);
    close(file);
    ConfirmingDialogs dialogs;
    MoveRecord record;
    drovalin::MoveOptions options;
    options.record = &record;
    QCOMPARE(drovalin::MoveCombination(root, {item}, dialogs, options), drovalin::MoveOutcome::Moved);
    QVERIFY(faccessat(chain.back(), "f", F_OK, AT_SYMLINK_NOFOLLOW) != 0);

    const UndoResult result = UndoMove(record);

    QVERIFY(result.Complete());
    QCOMPARE(faccessat(chain.back(), "f", F_OK, AT_SYMLINK_NOFOLLOW), 0);
    QVERIFY(faccessat(chain.front(), "w", F_OK, AT_SYMLINK_NOFOLLOW) != 0);
    for (const int fd : chain) close(fd);
}

QTEST_APPLESS_MAIN(TestMoveUndo)
#include "tst_move_undo.moc"
