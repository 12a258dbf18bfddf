#include <QDir>
#include <QTest>

#include <dirent.h>
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "../moving/scratch_folder.h"
#include "listing/tree_listing.h"
#include "tables/file_table.h"

using drovalin::ItemUnit;
using Item = std::pair<std::string, std::int64_t>;
using Items = std::vector<Item>;
// A tree to make: a path ending in "/" is a folder; otherwise a file of that many bytes, or with kLink a
// link to "..", with kFileLink a link to a file.
using Layout = std::vector<Item>;
constexpr std::int64_t kLink = -1;
constexpr std::int64_t kFileLink = -2;

Q_DECLARE_METATYPE(Layout)
Q_DECLARE_METATYPE(ItemUnit)

namespace {

bool Make(const std::string& root, const Layout& layout) {
    for (const auto& [path, bytes] : layout) {
        const std::string full = root + "/" + path;
        bool made = false;
        if (path.back() == '/') {
            made = mkdir(full.c_str(), 0755) == 0;
        } else if (bytes == kLink || bytes == kFileLink) {
            made = symlink(bytes == kLink ? ".." : "/etc/hostname", full.c_str()) == 0;
        } else {
            const int fd = open(full.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
            made = fd >= 0 && ftruncate(fd, bytes) == 0;
            if (fd >= 0) close(fd);
        }
        if (!made) return false;
    }
    return true;
}

bool OutputName(const std::string& name) {
    return name[0] == 'w' && name.find_first_not_of("0123456789", 1) == std::string::npos;
}

// The items as the rules say, by plain recursion over full paths.
void Reference(const std::string& dir, const std::string& relative, ItemUnit unit, bool whole, Items& items,
               std::int64_t& total) {
    DIR* folder = opendir(dir.c_str());
    if (folder == nullptr) return;
    std::vector<std::string> names;
    while (const dirent* entry = readdir(folder)) names.emplace_back(entry->d_name);
    closedir(folder);
    for (const std::string& name : names) {
        if (name == "." || name == "..") continue;
        if (!whole && name[0] == '.') continue;
        struct stat st {};
        if (lstat((dir + "/" + name).c_str(), &st) != 0) continue;
        const bool top = relative.empty();
        if (S_ISREG(st.st_mode)) {
            if (whole)
                total += st.st_size;
            else
                items.emplace_back(relative + name, st.st_size);
        } else if (S_ISDIR(st.st_mode)) {
            if (unit == ItemUnit::kFolderFiles || (top && OutputName(name))) continue;
            if (unit == ItemUnit::kFilesAndSubfolders && top) {
                std::int64_t bytes = 0;
                Reference(dir + "/" + name, relative + name + "/", unit, true, items, bytes);
                items.emplace_back(name + "/", bytes);
            } else {
                Reference(dir + "/" + name, relative + name + "/", unit, whole, items, total);
            }
        }
    }
}

Items Listed(const std::string& folder, ItemUnit unit, unsigned threads, drovalin::ListedTree* tree = nullptr,
             std::function<void(const std::string&)> hook = {}) {
    drovalin::RebuildControl control;
    control.measureThreads = threads;
    control.beforeMeasuring = std::move(hook);
    Items items;
    drovalin::ListedTree listed = drovalin::ListItems(
        folder, unit, control, [&](std::size_t count) { items.reserve(count); },
        [&](std::string&& name, std::int64_t bytes) { items.emplace_back(std::move(name), bytes); });
    if (tree) *tree = std::move(listed);
    return items;
}

Items Sorted(Items items) {
    std::sort(items.begin(), items.end());
    return items;
}

// "name bytes" of each item, joined by ",", names not UTF-8 escaped.
QString Joined(const Items& items) {
    QStringList texts;
    for (const auto& [name, bytes] : items)
        texts << QString::fromLatin1(QByteArray::fromStdString(name).toPercentEncoding("/ ")) + ' ' +
                     QString::number(bytes);
    return texts.join(',');
}

const Layout kTree{{"top.jpg", 1536},
                   {".hidden", 10},
                   {"-rf", 7},
                   {"new\nline", 2048},
                   {"caf\xe9", 3},
                   {"2019/", 0},
                   {"2019/a.jpg", 5000},
                   {"2019/.b", 600},
                   {"2019/trip/", 0},
                   {"2019/trip/c.jpg", 70000},
                   {"2019/trip/\xff\xfe/", 0},
                   {"2019/trip/\xff\xfe/d", 9},
                   {"2019/trip-b", 4},
                   {"2019/trip.c/", 0},
                   {"2019/trip.c/e", 6},
                   {"2019/loop", kLink},
                   {"2019/file-link", kFileLink},
                   {".git/", 0},
                   {".git/config", 100},
                   {"empty/", 0},
                   {"w/", 0},
                   {"w/done.jpg", 99},
                   {"w12/", 0},
                   {"w12/x", 1},
                   {"wx/", 0},
                   {"wx/w/", 0},
                   {"wx/w/kept", 4},
                   {"link-to-parent", kLink}};

}  // namespace

class TestTreeListing : public QObject {
    Q_OBJECT

  private slots:
    void matchesReference_data();
    void matchesReference();
    void vanishing_data();
    void vanishing();
    void deeperThanAnyPath_data();
    void deeperThanAnyPath();
    void otherMountsPassedOver_data();
    void otherMountsPassedOver();
};

void TestTreeListing::matchesReference_data() {
    QTest::addColumn<Layout>("layout");
    QTest::addColumn<ItemUnit>("unit");
    Layout wide;
    for (int top = 0; top < 6; ++top) {
        const std::string t = "t" + std::to_string(top) + "/";
        wide.push_back({t, 0});
        for (int mid = 0; mid < 7; ++mid) {
            const std::string m = t + "m" + std::to_string(mid) + "/";
            wide.push_back({m, 0});
            for (int file = 0; file < 25; ++file)
                wide.push_back({m + "f" + std::to_string(file), (top * 7 + mid) * 1000 + file * 37});
        }
    }
    for (const ItemUnit unit : {ItemUnit::kFolderFiles, ItemUnit::kFilesAndSubfolders, ItemUnit::kAllFiles}) {
        const int n = drovalin::ItemUnitNumber(unit);
        QTest::addRow("odd names, links, hidden and output folders, unit %d", n) << kTree << unit;
        QTest::addRow("many folders, unit %d", n) << wide << unit;
        QTest::addRow("empty folder, unit %d", n) << Layout{} << unit;
    }
}

// The walk on many threads gives what the rules give, in exactly the order of a one-thread walk, and
// leaves the tree as it was.
void TestTreeListing::matchesReference() {
    QFETCH(Layout, layout);
    QFETCH(ItemUnit, unit);
    ScratchFolder tree;
    QVERIFY(Make(tree.Path(), layout));
    Items reference;
    std::int64_t unused = 0;
    Reference(tree.Path(), "", unit, false, reference, unused);

    drovalin::ListedTree listed;
    const Items parallel = Listed(tree.Path(), unit, 8, &listed);
    const Items single = Listed(tree.Path(), unit, 1);

    QVERIFY(listed.opened);
    QVERIFY(listed.leftOut.empty());
    QVERIFY(listed.passedOver.empty());
    QCOMPARE(Joined(Sorted(parallel)), Joined(Sorted(reference)));
    QCOMPARE(Joined(parallel), Joined(single));
    // Below the folder, items come in name order ("trip-b" and "trip.c/…" before "trip/…"), which the
    // table's sort relies on to spare reading the names again.
    if (unit != ItemUnit::kFolderFiles) QCOMPARE(Joined(parallel), Joined(Sorted(parallel)));
    Items after;
    Reference(tree.Path(), "", unit, false, after, unused);
    QCOMPARE(Joined(Sorted(after)), Joined(Sorted(reference)));

    // The file table keeps every item's exact bytes, which the moves check the folder against.
    drovalin::FileTable table;
    drovalin::ListItems(tree.Path(), unit, drovalin::RebuildControl{}, table);
    Items fromTable;
    for (int row = 1; row < table.Rows(); ++row) fromTable.push_back({table.Name(row), table.Bytes(row)});
    QCOMPARE(Joined(Sorted(fromTable)), Joined(Sorted(reference)));
}

void TestTreeListing::vanishing_data() {
    QTest::addColumn<ItemUnit>("unit");
    QTest::addColumn<QString>("items");
    QTest::addColumn<QStringList>("leftOut");
    // "gone/" vanishes after its parent was read, "gone.txt" after it was listed; "sub/lost" inside a
    // subfolder kept whole takes nothing of the medium once gone.
    QTest::newRow("whole subfolders")
        << ItemUnit::kFilesAndSubfolders << QString("stay 10,sub/ 5") << QStringList{"gone.txt", "gone/"};
    QTest::newRow("every file") << ItemUnit::kAllFiles << QString("stay 10,sub/keep 5")
                                << QStringList{"gone.txt", "gone/", "sub/lost"};
}

void TestTreeListing::vanishing() {
    QFETCH(ItemUnit, unit);
    QFETCH(QString, items);
    QFETCH(QStringList, leftOut);
    ScratchFolder tree;
    ScratchFolder away;
    QVERIFY(Make(tree.Path(), {{"stay", 10},
                               {"gone.txt", 20},
                               {"gone/", 0},
                               {"gone/f", 30},
                               {"sub/", 0},
                               {"sub/keep", 5},
                               {"sub/lost", 40}}));
    const std::string root = tree.Path();
    const auto hook = [&](const std::string& name) {
        if (name == "stay") std::rename((root + "/gone").c_str(), (away.Path() + "/gone").c_str());
        if (name == "gone.txt") unlink((root + "/gone.txt").c_str());
        if (name == "lost") unlink((root + "/sub/lost").c_str());
    };
    drovalin::ListedTree listed;
    const Items found = Listed(root, unit, 1, &listed, hook);

    QVERIFY(listed.opened);
    QCOMPARE(Joined(Sorted(found)), items);
    QStringList left;
    for (const auto& file : listed.leftOut) {
        left << QString::fromStdString(file.name);
        QVERIFY(!file.reason.empty());
    }
    left.sort();
    QCOMPARE(left, leftOut);
}

void TestTreeListing::deeperThanAnyPath_data() {
    QTest::addColumn<ItemUnit>("unit");
    QTest::addColumn<QString>("item");
    // With a sibling at every level, each level's folder stays open until its sibling is read: more
    // folders open at once than a low limit on open files allows.
    QTest::addColumn<bool>("siblings");
    for (const bool siblings : {false, true}) {
        const char* limit = siblings ? ", a sibling at every level, few open files allowed" : "";
        QTest::addRow("whole subfolders%s", limit)
            << ItemUnit::kFilesAndSubfolders << QString(200, QLatin1Char('d')) + QStringLiteral("/ 4096")
            << siblings;
        QTest::addRow("every file%s", limit)
            << ItemUnit::kAllFiles << QStringLiteral("deep 4096") << siblings;
    }
}

// A chain of folders whose path is far longer than the system allows any path to be.
void TestTreeListing::deeperThanAnyPath() {
    QFETCH(ItemUnit, unit);
    QFETCH(QString, item);
    QFETCH(bool, siblings);
    ScratchFolder tree;
    int fd = open(tree.Path().c_str(), O_RDONLY | O_DIRECTORY);
    const std::string part(200, 'd');
    const int depth = 2 * PATH_MAX / 201;
    for (int level = 0; level < depth && fd >= 0; ++level) {
        QVERIFY(mkdirat(fd, part.c_str(), 0755) == 0);
        if (siblings && level > 0) QVERIFY(mkdirat(fd, "e", 0755) == 0);
        const int next = openat(fd, part.c_str(), O_RDONLY | O_DIRECTORY);
        close(fd);
        fd = next;
    }
    QVERIFY(fd >= 0);
    const int file = openat(fd, "deep", O_WRONLY | O_CREAT, 0644);
    QVERIFY(file >= 0 && ftruncate(file, 4096) == 0);
    close(file);
    close(fd);

    rlimit limit{};
    QVERIFY(getrlimit(RLIMIT_NOFILE, &limit) == 0);
    const rlimit before = limit;
    if (siblings && limit.rlim_cur > 24) {
        limit.rlim_cur = 24;
        QVERIFY(setrlimit(RLIMIT_NOFILE, &limit) == 0);
    }
    drovalin::ListedTree listed;
    const Items found = Listed(tree.Path(), unit, 4, &listed);
    setrlimit(RLIMIT_NOFILE, &before);
    // Lifts the chain one level at a time, so no path ever gets long and the tree can be removed.
    const std::string top = tree.Path() + "/" + part;
    while (std::rename((top + "/" + part).c_str(), (tree.Path() + "/next").c_str()) == 0 &&
           (rmdir((top + "/e").c_str()), rmdir(top.c_str()) == 0))
        std::rename((tree.Path() + "/next").c_str(), top.c_str());

    QVERIFY(listed.leftOut.empty());
    QCOMPARE(found.size(), std::size_t{1});
    const std::string& name = found.front().first;
    if (unit == ItemUnit::kAllFiles) {
        QCOMPARE(name.size(), std::size_t(201 * depth + 4));
        QVERIFY(name.size() > PATH_MAX);
        QCOMPARE(
            QString::fromStdString(name.substr(name.size() - 4) + " " + std::to_string(found.front().second)),
            item);
    } else {
        QCOMPARE(QString::fromStdString(name + " " + std::to_string(found.front().second)), item);
    }
}

void TestTreeListing::otherMountsPassedOver_data() {
    QTest::addColumn<ItemUnit>("unit");
    QTest::addColumn<QString>("items");
    QTest::newRow("whole subfolders") << ItemUnit::kFilesAndSubfolders << QStringLiteral("a/ 5,top 3");
    QTest::newRow("every file") << ItemUnit::kAllFiles << QStringLiteral("a/f 5,top 3");
}

// A file system mounted inside, and a bind mount of the folder inside itself (a loop), are not entered and
// are named; as du -x does. Mounting needs privileges: without them there is nothing to test.
void TestTreeListing::otherMountsPassedOver() {
    QFETCH(ItemUnit, unit);
    QFETCH(QString, items);
    ScratchFolder tree;
    QVERIFY(Make(tree.Path(), {{"top", 3}, {"a/", 0}, {"a/f", 5}, {"a/loop/", 0}, {"other/", 0}}));
    const std::string loop = tree.Path() + "/a/loop";
    const std::string other = tree.Path() + "/other";
    if (mount(tree.Path().c_str(), loop.c_str(), nullptr, MS_BIND, nullptr) != 0)
        QSKIP("no permission to mount");
    struct Unmount {
        std::string path;
        ~Unmount() { umount2(path.c_str(), MNT_DETACH); }
    } unmountLoop{loop};
    QVERIFY(mount("none", other.c_str(), "tmpfs", 0, nullptr) == 0);
    const Unmount unmountOther{other};
    QVERIFY(Make(tree.Path(), {{"other/elsewhere", 7}}));

    drovalin::ListedTree listed;
    const Items found = Listed(tree.Path(), unit, 4, &listed);

    QCOMPARE(Joined(Sorted(found)), items);
    std::sort(listed.passedOver.begin(), listed.passedOver.end());
    QCOMPARE(listed.passedOver, (std::vector<std::string>{"a/loop/", "other/"}));
    QVERIFY(listed.leftOut.empty());
}

QTEST_APPLESS_MAIN(TestTreeListing)
#include "test_tree_listing.moc"
