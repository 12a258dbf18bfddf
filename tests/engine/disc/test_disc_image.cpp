#include <QProcess>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QtTest>

#include <filesystem>
#include <fstream>

#define LIBISOFS_WITHOUT_LIBBURN
#include <libisofs.h>

#include "disc/disc_image.h"
#include "disc/disc_image_set.h"
#include "disc/disc_names.h"
#include "disc/disc_tree.h"

using namespace drovalin;
namespace fs = std::filesystem;

namespace {

void WriteFile(const std::string& path, const std::string& content) {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << content;
}

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Every file under dir by relative path (the file system's bytes) with its content.
std::map<std::string, std::string> Contents(const fs::path& dir) {
    std::map<std::string, std::string> out;
    for (const auto& e : fs::recursive_directory_iterator(dir))
        if (e.is_regular_file()) out[fs::relative(e.path(), dir).string()] = ReadFile(e.path());
    return out;
}

QString Xorriso(const QStringList& args) {
    QProcess p;
    p.start("xorriso", args);
    p.waitForFinished(-1);
    return QString::fromUtf8(p.readAllStandardOutput());
}

// The names of the image's root as Joliet records them.
QStringList JolietRootNames(const std::string& image) {
    IsoDataSource* source = nullptr;
    IsoReadOpts* opts = nullptr;
    IsoImage* read = nullptr;
    IsoReadImageFeatures* features = nullptr;
    QStringList names;
    iso_init();
    if (iso_data_source_new_from_file(image.c_str(), &source) < 0) return names;
    iso_read_opts_new(&opts, 0);
    iso_read_opts_set_no_rockridge(opts, 1);
    iso_read_opts_set_preferjoliet(opts, 1);
    iso_image_new("r", &read);
    if (iso_image_import(read, source, opts, &features) >= 0) {
        IsoDirIter* it = nullptr;
        iso_dir_get_children(iso_image_get_root(read), &it);
        IsoNode* node = nullptr;
        while (iso_dir_iter_next(it, &node) == 1) names << QString::fromUtf8(iso_node_get_name(node));
        iso_dir_iter_free(it);
        iso_read_image_features_destroy(features);
    }
    iso_image_unref(read);
    iso_read_opts_free(opts);
    iso_data_source_unref(source);
    return names;
}

// A temporary folder removed with std::filesystem, which takes names that are not valid UTF-8.
struct ScratchDir {
    QTemporaryDir dir;
    ScratchDir() { dir.setAutoRemove(false); }
    ~ScratchDir() { fs::remove_all(dir.path().toStdString()); }
    QString filePath(const QString& name) const { return dir.filePath(name); }
    QString path() const { return dir.path(); }
};

std::vector<DiscItem> TopItems(const std::string& folder) {
    std::vector<DiscItem> items;
    for (const auto& e : fs::directory_iterator(folder))
        items.push_back({e.path().filename().string(), e.is_directory(),
                         e.is_directory() ? 0 : static_cast<std::int64_t>(e.file_size())});
    return items;
}

}  // namespace

class TestDiscImage : public QObject {
    Q_OBJECT

  private slots:
    void writesNamesSizesAndContents() {
        ScratchDir dir;
        std::string folder = dir.filePath("src").toStdString(), out = dir.filePath("out").toStdString();
        std::string longName(150, 'n');
        WriteFile(folder + "/plain.txt", std::string(5000, 'p'));
        WriteFile(folder + "/日本語の名前.txt", "にほんご");
        WriteFile(folder + "/bad\xff\xfe.bin", "invalid name");
        WriteFile(folder + "/" + longName + ".txt", "long");
        WriteFile(folder + "/sub/inner.dat", std::string(70000, 'i'));
        WriteFile(folder + "/sub/deeper/leaf", "");
        WriteFile(folder + "/nest/a/b.txt", "nested item");
        WriteFile(folder + "/nest/not-taken.txt", "left out");
        std::vector<DiscItem> items = {{"plain.txt", false, 5000},
                                       {"日本語の名前.txt", false, 12},
                                       {"bad\xff\xfe.bin", false, 12},
                                       {longName + ".txt", false, 4},
                                       {"sub", true, 0},
                                       {"nest/a/b.txt", false, 11}};
        std::string error;
        auto image = DiscImage::Build(folder, items, "VOL_1", error);
        QVERIFY2(image, error.c_str());
        auto tree = ReadDiscTree(folder, items, error);
        QVERIFY(tree);
        QCOMPARE(DiscImageBytes(*tree), image->Bytes());

        std::string iso = dir.filePath("w1.iso").toStdString();
        std::atomic<bool> cancel{false};
        std::int64_t last = 0;
        QCOMPARE(image->Write(
                     iso, [&](std::int64_t w, std::int64_t) { last = w; }, cancel),
                 std::string());
        QCOMPARE(last, image->Bytes());
        QCOMPARE(static_cast<std::int64_t>(fs::file_size(iso)), image->Bytes());

        Xorriso({"-osirrox", "on", "-indev", QString::fromStdString(iso), "-extract", "/",
                 QString::fromStdString(out)});
        auto expected = Contents(folder);
        expected.erase("nest/not-taken.txt");
        QCOMPARE(Contents(out), expected);
        QVERIFY(fs::is_directory(out + "/sub/deeper"));

        QStringList joliet = JolietRootNames(iso);
        QVERIFY2(joliet.contains("bad%FF%FE.bin"), qPrintable(joliet.join('|')));
        QVERIFY(joliet.contains("日本語の名前.txt"));
        QVERIFY(joliet.contains(QString(61, 'n') + ".txt"));
    }

    void names_data() {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<QByteArray>("joliet");
        QTest::newRow("ascii") << QByteArray("a.txt") << true << QByteArray("a.txt");
        QTest::newRow("japanese") << QByteArray("日本.txt") << true << QByteArray("日本.txt");
        QTest::newRow("stray bytes") << QByteArray("a\xff\xfe") << false << QByteArray("a%FF%FE");
        QTest::newRow("overlong slash") << QByteArray("\xc0\xaf") << false << QByteArray("%C0%AF");
        QTest::newRow("surrogate") << QByteArray("\xed\xa0\x80") << false << QByteArray("%ED%A0%80");
        QTest::newRow("cut sequence") << QByteArray("x\xe6\x97") << false << QByteArray("x%E6%97");
        QTest::newRow("beyond U+10FFFF")
            << QByteArray("\xf4\x90\x80\x80") << false << QByteArray("%F4%90%80%80");
    }

    void names() {
        QFETCH(QByteArray, name);
        QFETCH(bool, valid);
        QFETCH(QByteArray, joliet);
        QCOMPARE(IsValidUtf8(name.toStdString()), valid);
        QCOMPARE(QByteArray::fromStdString(JolietEscapedName(name.toStdString())), joliet);
    }

    void volumeNames_data() {
        QTest::addColumn<QByteArray>("prefix");
        QTest::addColumn<int>("number");
        QTest::addColumn<QByteArray>("volume");
        QTest::newRow("short") << QByteArray("photos") << 3 << QByteArray("photos_3");
        QTest::newRow("cut at 28 bytes") << QByteArray(40, 'p') << 12 << QByteArray(28, 'p') + "_12";
        // 写 is three bytes: the tenth would end at byte 30, so nine stay.
        QTest::newRow("never inside a character")
            << QByteArray("写写写写写写写写写写") << 1 << QByteArray("写写写写写写写写写_1");
    }

    void volumeNames() {
        QFETCH(QByteArray, prefix);
        QFETCH(int, number);
        QFETCH(QByteArray, volume);
        QCOMPARE(QByteArray::fromStdString(DiscVolumeName(prefix.toStdString(), number)), volume);
    }

    void countMatchesImage_data() {
        QTest::addColumn<int>("seed");
        for (int seed = 1; seed <= 12; ++seed) QTest::addRow("seed %d", seed) << seed;
    }

    // Random trees of clashing, Japanese, invalid and long names: the count gives the image's size exactly,
    // and the items' charges with the fixed part never fall below it.
    void countMatchesImage() {
        QFETCH(int, seed);
        QRandomGenerator random(seed);
        ScratchDir dir;
        std::string folder = dir.path().toStdString();
        const std::vector<std::string> names = {"a.txt",
                                                "A.TXT",
                                                "写真.jpg",
                                                "日記.jpg",
                                                "bad\xff.bin",
                                                "bad\xfe.bin",
                                                std::string(120, 'x') + ".txt",
                                                std::string(200, 'y'),
                                                "r.e.p.o.r.t",
                                                "no_ext",
                                                "長い名前" + std::string(70, 'z') + ".tar.gz",
                                                "a*b?.txt"};
        const std::int64_t sizes[] = {0, 1, 2047, 2048, 2049, 70000};
        std::function<void(const std::string&, int)> fill = [&](const std::string& at, int depth) {
            int count = random.bounded(depth == 0 ? 120 : 15);
            for (int i = 0; i < count; ++i) {
                std::string name = names[random.bounded(static_cast<int>(names.size()))];
                if (random.bounded(3)) name = std::to_string(random.bounded(30)) + name;
                std::string path = at + "/" + name;
                if (fs::exists(path)) continue;
                if (depth < 3 && random.bounded(6) == 0) {
                    fs::create_directory(path);
                    fill(path, depth + 1);
                } else {
                    std::ofstream(path, std::ios::binary).close();
                    fs::resize_file(path, sizes[random.bounded(6)]);
                }
            }
        };
        fill(folder, 0);
        std::vector<DiscItem> items = TopItems(folder);
        std::string error;
        auto image = DiscImage::Build(folder, items, "V", error);
        QVERIFY2(image, error.c_str());
        auto tree = ReadDiscTree(folder, items, error);
        QVERIFY(tree);
        QCOMPARE(DiscImageBytes(*tree), image->Bytes());
        std::int64_t charged = DiscFixedBytes();
        for (const DiscItem& item : items) charged += *DiscItemBytes(folder, item, error);
        QVERIFY2(charged >= image->Bytes(), qPrintable(QString("%1 < %2").arg(charged).arg(image->Bytes())));
    }

    // Items deeper in the folder bring the folders on the way, one of them named in bytes that are not UTF-8.
    void nestedItemsAreCounted() {
        ScratchDir dir;
        std::string folder = dir.path().toStdString();
        WriteFile(folder + "/a/b/one.txt", std::string(3000, '1'));
        WriteFile(folder + "/a/b/two.txt", "2");
        WriteFile(folder + "/a/other.txt", "left out");
        WriteFile(folder + "/bad\xff/inner.txt", "inner");
        WriteFile(folder + "/whole/x/y.bin", std::string(5000, 'y'));
        std::vector<DiscItem> items = {{"a/b/one.txt", false, 3000},
                                       {"a/b/two.txt", false, 1},
                                       {"bad\xff/inner.txt", false, 5},
                                       DiscItemOfName("whole/")};  // as the table names it
        std::string error;
        auto image = DiscImage::Build(folder, items, "N", error);
        QVERIFY2(image, error.c_str());
        auto tree = ReadDiscTree(folder, items, error);
        QVERIFY(tree);
        QCOMPARE(DiscImageBytes(*tree), image->Bytes());
        std::int64_t charged = DiscFixedBytes();
        for (const DiscItem& item : items) charged += *DiscItemBytes(folder, item, error);
        QVERIFY(charged >= image->Bytes());
        std::atomic<bool> cancel{false};
        QCOMPARE(image->Write(dir.filePath("n.iso").toStdString(), nullptr, cancel), std::string());
        QStringList joliet = JolietRootNames(dir.filePath("n.iso").toStdString());
        joliet.sort();
        QCOMPARE(joliet, (QStringList{"a", "bad%FF", "whole"}));
    }

    void cancelledOrRefusedWriteLeavesNoImage() {
        ScratchDir dir;
        std::string folder = dir.filePath("src").toStdString(), target = dir.filePath("t").toStdString();
        WriteFile(folder + "/big.bin", std::string(3 << 20, 'b'));
        fs::create_directories(target);
        std::vector<DiscMedium> media = {{1, {{"big.bin", false, 3 << 20}}},
                                         {2, {{"big.bin", false, 3 << 20}}}};
        std::atomic<bool> cancel{false};
        auto cancelInSecond = [&](int index, int, std::int64_t, std::int64_t) {
            if (index == 1) cancel = true;
        };
        DiscSetResult r = WriteDiscImages(folder, media, "src", 1 << 30, target, cancelInSecond, cancel);
        QVERIFY(r.cancelled);
        QCOMPARE(r.written.size(), std::size_t(1));
        QVERIFY(fs::exists(target + "/w1.iso"));
        QVERIFY(!fs::exists(target + "/w2.iso"));

        // w1.iso exists now: nothing is written, nothing replaced.
        cancel = false;
        std::string before = ReadFile(target + "/w1.iso");
        r = WriteDiscImages(folder, media, "src", 1 << 30, target, nullptr, cancel);
        QVERIFY(!r.error.empty());
        QVERIFY(!fs::exists(target + "/w2.iso"));
        QCOMPARE(ReadFile(target + "/w1.iso"), before);

        // Too small a medium: named with its excess, nothing written.
        fs::remove(target + "/w1.iso");
        r = WriteDiscImages(folder, media, "src", 1 << 20, target, nullptr, cancel);
        QVERIFY(r.error.find("媒体 1") != std::string::npos);
        QVERIFY(fs::is_empty(target));
    }

    // One file of more than 4 GiB (sparse) goes in several extents and reads back whole.
    void writesFileOver4GiB() {
        ScratchDir dir;
        std::string folder = dir.filePath("src").toStdString();
        const std::int64_t size = (std::int64_t(1) << 32) + 4096 + 7;
        WriteFile(folder + "/huge.bin", "");
        fs::resize_file(folder + "/huge.bin", size - 7);
        { std::ofstream(folder + "/huge.bin", std::ios::binary | std::ios::app) << "the end"; }
        std::vector<DiscItem> items = {{"huge.bin", false, size}};
        std::string error;
        auto image = DiscImage::Build(folder, items, "HUGE", error);
        QVERIFY2(image, error.c_str());
        auto tree = ReadDiscTree(folder, items, error);
        QCOMPARE(DiscImageBytes(*tree), image->Bytes());
        std::string iso = dir.filePath("w1.iso").toStdString();
        auto removeImage = qScopeGuard([&] { fs::remove(iso); });
        std::atomic<bool> cancel{false};
        QCOMPARE(image->Write(iso, nullptr, cancel), std::string());
        QString listing =
            Xorriso({"-indev", QString::fromStdString(iso), "-find", "/huge.bin", "-exec", "lsdl"});
        QVERIFY2(listing.contains(QString::number(size)), qPrintable(listing));
        std::string tail = dir.filePath("tail").toStdString();
        Xorriso({"-osirrox", "on", "-indev", QString::fromStdString(iso), "-extract_cut", "/huge.bin",
                 QString::number(size - 7), "7", QString::fromStdString(tail)});
        QCOMPARE(ReadFile(tail), std::string("the end"));
    }
};

QTEST_GUILESS_MAIN(TestDiscImage)
#include "test_disc_image.moc"
