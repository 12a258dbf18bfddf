#include <QTest>

#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <memory>

#include "folder_snapshot.h"
#include "moving/combination_mover.h"
#include "scratch_folder.h"
#include "tables/combination_table.h"
#include "tables/file_table.h"

using drovalin::MoveOutcome;
using Names = std::vector<std::string>;

Q_DECLARE_METATYPE(FolderTree)
Q_DECLARE_METATYPE(Names)
Q_DECLARE_METATYPE(MoveOutcome)

namespace {

bool refuseNoReplace = false;
int refusedCalls = 0;

}  // namespace

// Stands in for the C library's renameat2 in this program, so that a file system which refuses
// RENAME_NOREPLACE can be played on any disk; otherwise it is the real call.
extern "C" int renameat2(int oldDir, const char* oldPath, int newDir, const char* newPath,
                         unsigned int flags) noexcept {
    if (refuseNoReplace && (flags & RENAME_NOREPLACE) != 0) {
        ++refusedCalls;
        errno = EINVAL;
        return -1;
    }
    return static_cast<int>(syscall(SYS_renameat2, oldDir, oldPath, newDir, newPath, flags));
}

namespace {

class FakeDialogs : public drovalin::MoveDialogs {
  public:
    explicit FakeDialogs(bool answer) : answer_(answer) {}

    bool ConfirmMove(const Names& names, const std::string&) override {
        calls << QStringLiteral("confirm");
        shown = names;
        return answer_;
    }
    void ReportMoveFailure() override { calls << QStringLiteral("move failure"); }
    void ReportSubfolderFailure(const std::string& text) override {
        calls << QStringLiteral("subfolder failure");
        detail = text;
    }

    QStringList calls;
    Names shown;
    std::string detail;

  private:
    bool answer_;
};

const QStringList kConfirmOnly{QStringLiteral("confirm")};
const QStringList kMoveFailure{QStringLiteral("confirm"), QStringLiteral("move failure")};
const QStringList kSubfolderFailure{QStringLiteral("confirm"), QStringLiteral("subfolder failure")};

// Exit codes of the unprivileged child of readOnlyFolder.
constexpr int kCannotDropRoot = 100;
constexpr int kWritesNotStopped = 101;

}  // namespace

class TestCombinationMover : public QObject {
    Q_OBJECT

  private slots:
    void cleanup() {
        refuseNoReplace = false;
        refusedCalls = 0;
    }

    void move_data() {
        QTest::addColumn<FolderTree>("before");
        QTest::addColumn<Names>("names");
        QTest::addColumn<bool>("answer");
        QTest::addColumn<bool>("refuseFlag");
        QTest::addColumn<MoveOutcome>("outcome");
        QTest::addColumn<QStringList>("calls");
        QTest::addColumn<FolderTree>("after");

        const auto row = [](const char* name, const FolderTree& before, const Names& names, bool answer,
                            MoveOutcome outcome, const QStringList& calls, const FolderTree& after) {
            for (const bool refuse : {false, true}) {
                QTest::addRow("%s, %s", name, refuse ? "link fallback" : "no-replace rename")
                    << before << names << answer << refuse << outcome << calls << after;
            }
        };
        const FolderTree abc{{"a.txt", "A"}, {"b.txt", "BB"}, {"c.txt", "CCC"}};

        row("OK moves two and creates w", abc, {"a.txt", "b.txt"}, true, MoveOutcome::Moved, kConfirmOnly,
            {{"c.txt", "CCC"}, {"w/", ""}, {"w/a.txt", "A"}, {"w/b.txt", "BB"}});
        row("Cancel leaves the folder untouched", abc, {"a.txt", "b.txt"}, false, MoveOutcome::Cancelled,
            kConfirmOnly, abc);
        row("existing w folder is reused", {{"a.txt", "A"}, {"w/", ""}, {"w/old", "O"}}, {"a.txt"}, true,
            MoveOutcome::Moved, kConfirmOnly, {{"w/", ""}, {"w/a.txt", "A"}, {"w/old", "O"}});
        row("a folder W is not w", {{"a.txt", "A"}, {"W/", ""}}, {"a.txt"}, true, MoveOutcome::Moved,
            kConfirmOnly, {{"W/", ""}, {"w/", ""}, {"w/a.txt", "A"}});
        row("plain file w counts as present and the first move fails",
            {{"a.txt", "A"}, {"b.txt", "BB"}, {"w", "not a folder"}}, {"a.txt", "b.txt"}, true,
            MoveOutcome::MoveFailed, kMoveFailure, {{"a.txt", "A"}, {"b.txt", "BB"}, {"w", "not a folder"}});
        row("same name in w stops there and stays as it was",
            {{"a.txt", "A"}, {"b.txt", "BB"}, {"c.txt", "CCC"}, {"w/", ""}, {"w/b.txt", "older b"}},
            {"a.txt", "b.txt", "c.txt"}, true, MoveOutcome::MoveFailed, kMoveFailure,
            {{"b.txt", "BB"}, {"c.txt", "CCC"}, {"w/", ""}, {"w/a.txt", "A"}, {"w/b.txt", "older b"}});
        row("a name with a comma moves as one file", {{"x,y.txt", "XY"}, {"x", "X"}, {"y.txt", "Y"}},
            {"x,y.txt"}, true, MoveOutcome::Moved, kConfirmOnly,
            {{"x", "X"}, {"y.txt", "Y"}, {"w/", ""}, {"w/x,y.txt", "XY"}});
        row("a missing comma name never moves the files of its pieces", {{"x", "X"}, {"y", "Y"}}, {"x,y"},
            true, MoveOutcome::MoveFailed, kMoveFailure, {{"x", "X"}, {"y", "Y"}, {"w/", ""}});
        row("names that are not UTF-8", {{"\xff\xfe.bin", "1"}, {"caf\xe9.txt", "2"}, {"keep", "3"}},
            {"\xff\xfe.bin", "caf\xe9.txt"}, true, MoveOutcome::Moved, kConfirmOnly,
            {{"keep", "3"}, {"w/", ""}, {"w/\xff\xfe.bin", "1"}, {"w/caf\xe9.txt", "2"}});
        row("a vanished file stops the move", {{"a.txt", "A"}, {"c.txt", "CCC"}}, {"a.txt", "gone", "c.txt"},
            true, MoveOutcome::MoveFailed, kMoveFailure, {{"c.txt", "CCC"}, {"w/", ""}, {"w/a.txt", "A"}});
    }

    void move() {
        QFETCH(FolderTree, before);
        QFETCH(Names, names);
        QFETCH(bool, answer);
        QFETCH(bool, refuseFlag);
        QFETCH(MoveOutcome, outcome);
        QFETCH(QStringList, calls);
        QFETCH(FolderTree, after);

        ScratchFolder dir;
        QVERIFY(dir.IsValid());
        QVERIFY(WriteFolderTree(dir.Path(), before));
        refuseNoReplace = refuseFlag;
        FakeDialogs dialogs(answer);

        QCOMPARE(drovalin::MoveCombination(dir.Path(), names, dialogs), outcome);
        QCOMPARE(dialogs.calls, calls);
        QCOMPARE(dialogs.shown, names);
        QCOMPARE(DescribeFolderTree(ReadFolderTree(dir.Path())), DescribeFolderTree(after));
        if (refuseFlag && outcome != MoveOutcome::Cancelled) QVERIFY(refusedCalls > 0);
    }

    // Another subfolder than "w", and the record of what moved, which undoing relies on.
    void moveRecordAndSubfolder_data() {
        QTest::addColumn<FolderTree>("before");
        QTest::addColumn<MoveOutcome>("outcome");
        QTest::addColumn<QStringList>("created");
        QTest::addColumn<QStringList>("moved");
        QTest::addRow("created and filled") << FolderTree{{"a", "A"}, {"b", "B"}} << MoveOutcome::Moved
                                            << QStringList{"w2"} << QStringList{"a", "b"};
        QTest::addRow("existing subfolder is not recorded as created")
            << FolderTree{{"a", "A"}, {"b", "B"}, {"w2/", ""}} << MoveOutcome::Moved << QStringList{}
            << QStringList{"a", "b"};
        QTest::addRow("a failure records only what moved")
            << FolderTree{{"a", "A"}, {"b", "B"}, {"w2/", ""}, {"w2/b", "old"}} << MoveOutcome::MoveFailed
            << QStringList{} << QStringList{"a"};
    }

    void moveRecordAndSubfolder() {
        QFETCH(FolderTree, before);
        QFETCH(MoveOutcome, outcome);
        QFETCH(QStringList, created);
        QFETCH(QStringList, moved);
        ScratchFolder dir;
        QVERIFY(dir.IsValid());
        QVERIFY(WriteFolderTree(dir.Path(), before));
        FakeDialogs dialogs(true);
        drovalin::MoveRecord record;
        drovalin::MoveOptions options;
        options.subfolder = "w2";
        options.record = &record;
        QCOMPARE(drovalin::MoveCombination(dir.Path(), {"a", "b"}, dialogs, options), outcome);

        const std::string root = dir.Path() + "/";
        QStringList createdSeen;
        for (const std::string& folder : record.createdFolders)
            createdSeen << QString::fromStdString(folder.substr(root.size()));
        QCOMPARE(createdSeen, created);
        QStringList movedSeen;
        for (const drovalin::MoveRecord::Step& step : record.moved) {
            QCOMPARE(step.to, root + "w2/" + step.from.substr(root.size()));
            movedSeen << QString::fromStdString(step.from.substr(root.size()));
        }
        QCOMPARE(movedSeen, moved);
        QVERIFY(!std::filesystem::exists(root + "w"));
    }

    void secondClickOnTheSameRow() {
        ScratchFolder dir;
        QVERIFY(dir.IsValid());
        QVERIFY(WriteFolderTree(dir.Path(), {{"a.txt", "A"}, {"b.txt", "BB"}, {"c.txt", "CCC"}}));
        const Names row{"a.txt", "b.txt"};
        FakeDialogs first(true);
        QCOMPARE(drovalin::MoveCombination(dir.Path(), row, first), MoveOutcome::Moved);
        const FolderTree moved = ReadFolderTree(dir.Path());

        FakeDialogs second(true);
        QCOMPARE(drovalin::MoveCombination(dir.Path(), row, second), MoveOutcome::MoveFailed);
        QCOMPARE(second.calls, kMoveFailure);
        QCOMPARE(DescribeFolderTree(ReadFolderTree(dir.Path())), DescribeFolderTree(moved));
    }

    // The names come from the file system, but a name that is not a single entry of the folder must never
    // reach outside it, here into its parent.
    void namesThatWouldLeaveTheFolder_data() {
        QTest::addColumn<std::string>("name");
        QTest::newRow("parent's file") << std::string("../outside");
        QTest::newRow("parent") << std::string("..");
        QTest::newRow("folder itself") << std::string(".");
        QTest::newRow("empty") << std::string();
        QTest::newRow("subfolder's file") << std::string("sub/inner");
    }

    void namesThatWouldLeaveTheFolder() {
        QFETCH(std::string, name);
        ScratchFolder dir;
        QVERIFY(dir.IsValid());
        const FolderTree layout{{"outside", "O"},     {"f/", ""},   {"f/a", "A"},    {"f/sub/", ""},
                                {"f/sub/inner", "I"}, {"f/w/", ""}, {"f/w/sub/", ""}};
        QVERIFY(WriteFolderTree(dir.Path(), layout));
        FakeDialogs dialogs(true);

        QCOMPARE(drovalin::MoveCombination(dir.Path() + "/f", {name, "a"}, dialogs), MoveOutcome::MoveFailed);
        QCOMPARE(dialogs.calls, kMoveFailure);
        QCOMPARE(DescribeFolderTree(ReadFolderTree(dir.Path())), DescribeFolderTree(layout));
    }

    void subfolderCannotBeMade_data() {
        QTest::addColumn<std::string>("folder");
        QTest::newRow("folder gone") << std::string("gone");
        QTest::newRow("folder is a file") << std::string("file");
    }

    void subfolderCannotBeMade() {
        QFETCH(std::string, folder);
        ScratchFolder dir;
        QVERIFY(dir.IsValid());
        const FolderTree before{{"file", "F"}};
        QVERIFY(WriteFolderTree(dir.Path(), before));
        FakeDialogs dialogs(true);

        QCOMPARE(drovalin::MoveCombination(dir.Path() + "/" + folder, {"a"}, dialogs),
                 MoveOutcome::SubfolderFailed);
        QCOMPARE(dialogs.calls, kSubfolderFailure);
        QVERIFY(!dialogs.detail.empty());
        QCOMPARE(DescribeFolderTree(ReadFolderTree(dir.Path())), DescribeFolderTree(before));
    }

    void readOnlyFolder_data() {
        QTest::addColumn<FolderTree>("before");
        QTest::addColumn<MoveOutcome>("outcome");
        QTest::addColumn<bool>("subfolderReported");
        QTest::addColumn<bool>("moveReported");
        QTest::newRow("w missing") << FolderTree{{"a", "A"}, {"b", "BB"}} << MoveOutcome::SubfolderFailed
                                   << true << false;
        QTest::newRow("w present") << FolderTree{{"a", "A"}, {"b", "BB"}, {"w/", ""}}
                                   << MoveOutcome::MoveFailed << false << true;
    }

    // Root writes through permission bits, so as root the move runs in a child that has become an ordinary
    // user; what it saw comes back through its exit code.
    void readOnlyFolder() {
        QFETCH(FolderTree, before);
        QFETCH(MoveOutcome, outcome);
        QFETCH(bool, subfolderReported);
        QFETCH(bool, moveReported);

        ScratchFolder dir;
        QVERIFY(dir.IsValid());
        QVERIFY(chmod(dir.Path().c_str(), 0755) == 0);
        const std::string folder = dir.Path() + "/ro";
        QVERIFY(mkdir(folder.c_str(), 0755) == 0);
        QVERIFY(WriteFolderTree(folder, before));
        QVERIFY(chmod(folder.c_str(), 0555) == 0);

        const pid_t child = fork();
        QVERIFY(child >= 0);
        if (child == 0) {
            if (geteuid() == 0 && (setgroups(0, nullptr) != 0 || setresgid(65534, 65534, 65534) != 0 ||
                                   setresuid(65534, 65534, 65534) != 0)) {
                _exit(kCannotDropRoot);
            }
            const int probe = open((folder + "/probe").c_str(), O_CREAT | O_WRONLY | O_EXCL, 0644);
            if (probe >= 0) _exit(kWritesNotStopped);
            FakeDialogs dialogs(true);
            const MoveOutcome result = drovalin::MoveCombination(folder, {"a", "b"}, dialogs);
            _exit(static_cast<int>(result) |
                  (dialogs.calls.contains(QStringLiteral("subfolder failure")) << 2) |
                  (dialogs.calls.contains(QStringLiteral("move failure")) << 3));
        }
        int status = 0;
        QCOMPARE(waitpid(child, &status, 0), child);
        chmod(folder.c_str(), 0755);
        QVERIFY(WIFEXITED(status));
        const int code = WEXITSTATUS(status);
        if (code == kCannotDropRoot) QSKIP("cannot become an ordinary user to make the folder read-only");
        if (code == kWritesNotStopped) QSKIP("permission bits do not stop writes here");

        QCOMPARE(static_cast<MoveOutcome>(code & 3), outcome);
        QCOMPARE(bool(code & 4), subfolderReported);
        QCOMPARE(bool(code & 8), moveReported);
        QCOMPARE(DescribeFolderTree(ReadFolderTree(folder)), DescribeFolderTree(before));
    }

    void filesOfClickedRow_data() {
        QTest::addColumn<int>("row");
        QTest::addColumn<Names>("files");
        QTest::newRow("header") << 0 << Names{};
        QTest::newRow("best row") << 1 << Names{"big,one", "small"};
        QTest::newRow("second row") << 2 << Names{"middle"};
        QTest::newRow("below the last row") << 3 << Names{};
        QTest::newRow("above the header") << -1 << Names{};
    }

    void filesOfClickedRow() {
        QFETCH(int, row);
        QFETCH(Names, files);
        auto table = std::make_shared<drovalin::FileTable>();
        table->Append("big,one", 500);
        table->Append("middle", 300);
        table->Append("small", 100);
        drovalin::CombinationTable combinations(table);
        combinations.Append(300, {{2, 3}});
        combinations.Append(600, {{1, 2}, {3, 4}});
        combinations.SortByTotalDescending();

        QCOMPARE(drovalin::FilesOfClickedRow(combinations, row), files);
    }

    void filesOfClickedRowInAnEmptyTable() {
        drovalin::CombinationTable empty;
        QVERIFY(drovalin::FilesOfClickedRow(empty, 1).empty());
    }
};

QTEST_APPLESS_MAIN(TestCombinationMover)
#include "tst_combination_mover.moc"
