#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QMap>
#include <QTemporaryDir>
#include <QTest>
#include <cstring>

#include "listing/folder_listing.h"
#include "search/folder_rebuild.h"

using drovalin::JoinPath;

namespace {

bool MakeFile(const std::string& path, qint64 bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) return false;
    const bool sized = ::ftruncate(fd, bytes) == 0;  // sparse: no disk space is used
    return ::close(fd) == 0 && sized;
}

bool MakeSocket(const std::string& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof(address.sun_path)) return false;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    const bool bound =
        fd >= 0 && ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0;
    if (fd >= 0) ::close(fd);
    return bound;
}

}  // namespace

class TestFolderListing : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    std::string folder_;
    QMap<QByteArray, qint64> measured_;
    std::vector<drovalin::LeftOutFile> leftOut_;

  private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        folder_ = dir_.path().toStdString();
        const auto at = [this](const std::string& name) { return JoinPath(folder_, name); };
        QVERIFY(MakeFile(at("plain.txt"), 2048));
        QVERIFY(MakeFile(at("empty.bin"), 0));
        QVERIFY(MakeFile(at(".hidden"), 100));
        QVERIFY(::mkdir(at("sub").c_str(), 0755) == 0);
        QVERIFY(MakeFile(at("sub/inner.txt"), 10));
        QVERIFY(::mkdir(at(".hidden-dir").c_str(), 0755) == 0);
        QVERIFY(::symlink("plain.txt", at("link-to-file").c_str()) == 0);
        QVERIFY(::symlink(at("sparse-3g.img").c_str(), at("absolute-link").c_str()) == 0);
        QVERIFY(::symlink("sub", at("link-to-dir").c_str()) == 0);
        QVERIFY(::symlink("missing", at("broken-link").c_str()) == 0);
        QVERIFY(::symlink("loop-link", at("loop-link").c_str()) == 0);
        QVERIFY(MakeFile(at("a,b.txt"), 10));
        QVERIFY(MakeFile(at("\xff\xfe.bin"), 5));
        QVERIFY(MakeFile(at("名前.txt"), 1));
        QVERIFY(MakeFile(at("sparse-3g.img"), qint64{3} << 30));
        QVERIFY(::mkfifo(at("pipe").c_str(), 0644) == 0);
        QVERIFY(MakeSocket(at("socket")));

        const drovalin::FolderNames names = drovalin::ListFolderNames(folder_);
        QVERIFY(names.opened);
        const drovalin::MeasuredFiles files = drovalin::MeasureFiles(folder_, names.names);
        for (const auto& file : files.files)
            measured_.insert(QByteArray::fromStdString(file.name), file.bytes);
        leftOut_ = files.leftOut;
    }

    void entries_data() {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<bool>("listed");
        QTest::addColumn<qint64>("bytes");
        QTest::newRow("regular file") << QByteArray("plain.txt") << true << qint64{2048};
        QTest::newRow("0-byte file") << QByteArray("empty.bin") << true << qint64{0};
        QTest::newRow("hidden file") << QByteArray(".hidden") << false << qint64{0};
        QTest::newRow("subfolder") << QByteArray("sub") << false << qint64{0};
        QTest::newRow("file inside the subfolder") << QByteArray("inner.txt") << false << qint64{0};
        QTest::newRow("hidden folder") << QByteArray(".hidden-dir") << false << qint64{0};
        QTest::newRow("link to a file") << QByteArray("link-to-file") << false << qint64{0};
        QTest::newRow("absolute link to a large file") << QByteArray("absolute-link") << false << qint64{0};
        QTest::newRow("link to a folder") << QByteArray("link-to-dir") << false << qint64{0};
        QTest::newRow("broken link") << QByteArray("broken-link") << false << qint64{0};
        QTest::newRow("link loop") << QByteArray("loop-link") << false << qint64{0};
        QTest::newRow("comma in the name") << QByteArray("a,b.txt") << true << qint64{10};
        QTest::newRow("invalid UTF-8 name") << QByteArray("\xff\xfe.bin") << true << qint64{5};
        QTest::newRow("Japanese name") << QByteArray("名前.txt") << true << qint64{1};
        QTest::newRow("3 GiB sparse file") << QByteArray("sparse-3g.img") << true << (qint64{3} << 30);
        QTest::newRow("named pipe") << QByteArray("pipe") << false << qint64{0};
        QTest::newRow("socket") << QByteArray("socket") << false << qint64{0};
    }
    void entries() {
        QFETCH(QByteArray, name);
        QFETCH(bool, listed);
        QFETCH(qint64, bytes);
        QCOMPARE(measured_.contains(name), listed);
        if (listed) QCOMPARE(measured_.value(name), bytes);
    }

    void nothingElseIsListedOrLeftOut() {
        QCOMPARE(measured_.size(), 6);
        QVERIFY(leftOut_.empty());
    }

    // Where the folder does not tell entry types, links reach the measuring; they are dropped there,
    // silently.
    void linksNamedForMeasuringAreDropped() {
        const drovalin::MeasuredFiles files = drovalin::MeasureFiles(
            folder_,
            {"link-to-file", "absolute-link", "link-to-dir", "broken-link", "loop-link", "plain.txt"});
        QCOMPARE(files.files.size(), std::size_t{1});
        QCOMPARE(files.files[0].name, std::string("plain.txt"));
        QVERIFY(files.leftOut.empty());
    }

    void fileRemovedBeforeMeasuringIsLeftOut() {
        QTemporaryDir dir;
        const std::string folder = dir.path().toStdString();
        for (const char* name : {"keep1", "gone", "keep2"}) QVERIFY(MakeFile(JoinPath(folder, name), 3000));
        drovalin::FolderNames names = drovalin::ListFolderNames(folder);
        QCOMPARE(names.names.size(), std::size_t{3});
        QVERIFY(::unlink(JoinPath(folder, "gone").c_str()) == 0);
        const drovalin::MeasuredFiles files = drovalin::MeasureFiles(folder, std::move(names.names));
        QCOMPARE(files.files.size(), std::size_t{2});
        for (const auto& file : files.files) {
            QVERIFY(file.name == "keep1" || file.name == "keep2");
            QCOMPARE(file.bytes, qint64{3000});
        }
        QCOMPARE(files.leftOut.size(), std::size_t{1});
        QCOMPARE(files.leftOut[0].name, std::string("gone"));
        QVERIFY(!files.leftOut[0].reason.empty());
    }

    void namesOutsideTheFolderAreLeftOut() {
        const drovalin::MeasuredFiles files =
            drovalin::MeasureFiles(folder_, {"sub/inner.txt", "", "plain.txt"});
        QCOMPARE(files.files.size(), std::size_t{1});
        QCOMPARE(files.leftOut.size(), std::size_t{2});
    }

    void unreadableFolder() {
        const std::string missing = JoinPath(folder_, "no-such-folder");
        const drovalin::FolderNames names = drovalin::ListFolderNames(missing);
        QVERIFY(!names.opened);
        QVERIFY(!names.error.empty());
        QVERIFY(names.names.empty());
        const drovalin::MeasuredFiles files = drovalin::MeasureFiles(missing, {"a", "b"});
        QVERIFY(files.files.empty());
        QCOMPARE(files.leftOut.size(), std::size_t{2});

        const drovalin::RebuildResult rebuilt = drovalin::RebuildFolder(missing, 100);
        QVERIFY(!rebuilt.folderOpened);
        QVERIFY(!rebuilt.folderError.empty());
        QCOMPARE(rebuilt.files->Rows(), 1);
        QCOMPARE(rebuilt.combinations->Rows(), 1);
    }

    void rebuildFillsBothTables() {
        const drovalin::RebuildResult rebuilt = drovalin::RebuildFolder(folder_, 3);
        QVERIFY(rebuilt.folderOpened);
        QVERIFY(rebuilt.leftOut.empty());
        const std::vector<std::pair<std::string, std::string>> files{
            {"sparse-3g.img", "3145728"}, {"plain.txt", "2"}, {"a,b.txt", "0"},
            {"empty.bin", "0"},           {"名前.txt", "0"},  {"\xff\xfe.bin", "0"}};
        QCOMPARE(rebuilt.files->Rows(), int(files.size()) + 1);
        for (int row = 1; row < rebuilt.files->Rows(); ++row) {
            QCOMPARE(rebuilt.files->Cell(row, 0), files[row - 1].first);
            QCOMPARE(rebuilt.files->Cell(row, 1), files[row - 1].second);
        }
        // Capacity 3: the 2 KB file starts a walk that takes every 0 KB file; the 3 GiB file starts none.
        QCOMPARE(rebuilt.combinations->Rows(), 6);
        QCOMPARE(rebuilt.combinations->Cell(1, 3),
                 std::string("plain.txt,a,b.txt,empty.bin,名前.txt,\xff\xfe.bin"));
        QCOMPARE(rebuilt.combinations->Cell(1, 2), std::string("1"));
        QCOMPARE(rebuilt.combinations->SharedFiles(),
                 std::shared_ptr<const drovalin::FileTable>(rebuilt.files));
    }

    // QDir cannot name files whose names are not UTF-8, so QTemporaryDir would leave this one behind.
    void cleanupTestCase() { QVERIFY(::unlink(JoinPath(folder_, "\xff\xfe.bin").c_str()) == 0); }

    void joinPath_data() {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("path");
        QTest::newRow("plain folder") << "/data"
                                      << "/data/f";
        QTest::newRow("folder ending in a separator") << "/data/"
                                                      << "/data/f";
        QTest::newRow("root") << "/"
                              << "/f";
        QTest::newRow("no folder") << ""
                                   << "f";
    }
    void joinPath() {
        QFETCH(QString, folder);
        QFETCH(QString, path);
        QCOMPARE(QString::fromStdString(JoinPath(folder.toStdString(), "f")), path);
    }
};

QTEST_GUILESS_MAIN(TestFolderListing)
#include "test_folder_listing.moc"
