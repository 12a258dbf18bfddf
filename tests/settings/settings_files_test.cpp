#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "disc_size_setting.h"
#include "item_unit_setting.h"
#include "options_section.h"
#include "settings_files.h"

using namespace drovalin;

namespace {

const QString kIni = QStringLiteral("Drovalin_ZELTA.ini");
const QString kCapacity = QStringLiteral("Drovalin.txt");

void WriteBytes(const QString& name, const QByteArray& bytes) {
    QFile file(name);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

QByteArray ReadBytes(const QString& name) {
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// An empty array stands for "no folder".
std::optional<std::string> Folder(const QByteArray& bytes) {
    return bytes.isEmpty() ? std::nullopt : std::optional<std::string>(bytes.toStdString());
}

QByteArray Bytes(const std::optional<std::string>& folder) {
    return folder ? QByteArray::fromStdString(*folder) : QByteArray();
}

}  // namespace

class SettingsFilesTest : public QObject {
    Q_OBJECT

  private slots:
    void init() {
        dir_ = std::make_unique<QTemporaryDir>();
        QVERIFY(dir_->isValid());
        previous_ = QDir::currentPath();
        QVERIFY(QDir::setCurrent(dir_->path()));
    }
    void cleanup() {
        QDir::setCurrent(previous_);
        dir_.reset();
    }

    void nothingWithoutFiles() {
        QCOMPARE(ReadFolderSetting(), std::nullopt);
        QCOMPARE(ReadCapacityFile(), 0);
        QVERIFY(WriteFolderSetting(std::nullopt).ok);
        QVERIFY(!QFile::exists(kIni));
    }

    void folderRoundTrip_data() {
        QTest::addColumn<QByteArray>("folder");
        QTest::addColumn<QByteArray>("stored");
        QTest::newRow("ASCII") << QByteArray("/home/user/data") << QByteArray("/home/user/data");
        QTest::newRow("ten double-byte characters")
            << QByteArray("あいうえおかきくけこ")
            << QByteArray("\x82\xA0\x82\xA2\x82\xA4\x82\xA6\x82\xA8\x82\xA9\x82\xAB\x82\xAD\x82\xAF\x82\xB1");
        QTest::newRow("NEC and IBM extensions")
            << QByteArray("/①ⅰ～") << QByteArray("/\x87\x40\xFA\x40\x81\x60");
        const QByteArray longAscii = "/data/" + QByteArray(300, 'a');
        QTest::newRow("300 ASCII bytes") << longAscii << longAscii;
        QTest::newRow("300 double-byte bytes")
            << QByteArray("/あ").repeated(100) << QByteArray("/\x82\xA0").repeated(100);
        QTest::newRow("heart") << QByteArray("/tmp/♥") << QByteArray("\xEF\xBB\xBF/tmp/♥");
        QTest::newRow("accent and emoji")
            << QByteArray("/home/café/📁") << QByteArray("\xEF\xBB\xBF/home/café/📁");
        QTest::newRow("not UTF-8") << QByteArray("/data/\xFF\xFE")
                                   << QByteArray("\xEF\xBB\xBF/data/\xFF\xFE");
        QTest::newRow("trailing blank") << QByteArray("/tmp/dir ") << QByteArray("\"/tmp/dir \"");
        QTest::newRow("in quotes") << QByteArray("'q'") << QByteArray("\"'q'\"");
    }
    void folderRoundTrip() {
        QFETCH(QByteArray, folder);
        QFETCH(QByteArray, stored);
        const SettingsWriteResult result = WriteFolderSetting(folder.toStdString());
        QVERIFY2(result.ok, result.error.c_str());
        QCOMPARE(ReadBytes(kIni), "[DIR]\r\nPATH=" + stored + "\r\n");
        QCOMPARE(Bytes(ReadFolderSetting()), folder);
    }

    void readsFilesWrittenOnWindows_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QByteArray>("folder");
        QTest::newRow("lower-case names") << QByteArray("[dir]\r\npath=C:\\a\r\n") << QByteArray("C:\\a");
        QTest::newRow("blanks") << QByteArray("  [ DIR ]  \r\n\t PATH  =  /a b \t\r\n") << QByteArray("/a b");
        QTest::newRow("double quotes") << QByteArray("[DIR]\r\nPATH=\" /a \"\r\n") << QByteArray(" /a ");
        QTest::newRow("single quotes") << QByteArray("[DIR]\r\nPATH='/a'\r\n") << QByteArray("/a");
        QTest::newRow("unmatched quotes") << QByteArray("[DIR]\r\nPATH=\"/a'\r\n") << QByteArray("\"/a'");
        QTest::newRow("other sections and comments")
            << QByteArray("; mine\r\n[Other]\r\nPATH=/wrong\r\n[DIR]\r\n;PATH=/no\r\nX=1\r\nPATH=/right\r\n")
            << QByteArray("/right");
        QTest::newRow("second PATH key")
            << QByteArray("[DIR]\r\nPATH=/one\r\nPATH=/two\r\n") << QByteArray("/one");
        QTest::newRow("second DIR section")
            << QByteArray("[DIR]\r\nX=1\r\n[DIR]\r\nPATH=/two\r\n") << QByteArray();
        QTest::newRow("LF only, no last line end") << QByteArray("[DIR]\nPATH=/a") << QByteArray("/a");
        QTest::newRow("trail byte 0x5C")
            << QByteArray("[DIR]\r\nPATH=C:\\\x83\x5C\x83\x74\x83\x67\r\n") << QByteArray("C:\\ソフト");
        QTest::newRow("no PATH key") << QByteArray("[DIR]\r\nPATHS=/a\r\n") << QByteArray();
        QTest::newRow("empty value") << QByteArray("[DIR]\r\nPATH=\r\n") << QByteArray();
        QTest::newRow("empty quotes") << QByteArray("[DIR]\r\nPATH=\"\"\r\n") << QByteArray();
        QTest::newRow("key before any section") << QByteArray("PATH=/a\r\n[DIR]\r\n") << QByteArray();
        QTest::newRow("not code page 932") << QByteArray("[DIR]\r\nPATH=/a\x82\r\n") << QByteArray();
    }
    void readsFilesWrittenOnWindows() {
        QFETCH(QByteArray, file);
        QFETCH(QByteArray, folder);
        WriteBytes(kIni, file);
        QCOMPARE(Bytes(ReadFolderSetting()), folder);
    }

    void writeKeepsTheRest_data() {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QByteArray>("folder");
        QTest::addColumn<QByteArray>("after");
        QTest::newRow("value replaced")
            << QByteArray("; mine\r\n[Other]\r\nK=v\r\n\r\n[dir]\r\n path = /old\r\nPATH=/2\r\n[Z]\r\n")
            << QByteArray("/new")
            << QByteArray("; mine\r\n[Other]\r\nK=v\r\n\r\n[dir]\r\n path =/new\r\nPATH=/2\r\n[Z]\r\n");
        QTest::newRow("LF kept") << QByteArray("[DIR]\nPATH=/old\n") << QByteArray("/new")
                                 << QByteArray("[DIR]\nPATH=/new\n");
        QTest::newRow("key added to its section")
            << QByteArray("[DIR]\r\nX=1\r\n\r\n[Z]\r\nY=2\r\n") << QByteArray("/new")
            << QByteArray("[DIR]\r\nX=1\r\nPATH=/new\r\n\r\n[Z]\r\nY=2\r\n");
        QTest::newRow("section added")
            << QByteArray("[Z]\nY=2") << QByteArray("/new") << QByteArray("[Z]\nY=2\n\n[DIR]\nPATH=/new\n");
        QTest::newRow("key removed") << QByteArray("[DIR]\r\nX=1\r\nPATH=/old\r\n[Z]\r\nPATH=/z\r\n")
                                     << QByteArray() << QByteArray("[DIR]\r\nX=1\r\n[Z]\r\nPATH=/z\r\n");
        QTest::newRow("missing key not removed")
            << QByteArray("[Z]\r\nPATH=/z\r\n") << QByteArray() << QByteArray("[Z]\r\nPATH=/z\r\n");
    }
    void writeKeepsTheRest() {
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, folder);
        QFETCH(QByteArray, after);
        WriteBytes(kIni, before);
        QVERIFY(WriteFolderSetting(Folder(folder)).ok);
        QCOMPARE(ReadBytes(kIni), after);
        QCOMPARE(Bytes(ReadFolderSetting()), folder);
    }

    // [OPTIONS] holds only what differs from the defaults, beside keys others keep there.
    void optionsSection_data() {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<bool>("on");
        QTest::addColumn<QByteArray>("after");
        QTest::newRow("off writes no file") << QByteArray() << false << QByteArray();
        QTest::newRow("on adds the section")
            << QByteArray("[DIR]\r\nPATH=/a\r\n") << true
            << QByteArray("[DIR]\r\nPATH=/a\r\n\r\n[OPTIONS]\r\nDISCSIZE=1\r\n");
        QTest::newRow("off removes the section")
            << QByteArray("[DIR]\r\nPATH=/a\r\n\r\n[OPTIONS]\r\nDISCSIZE=1\r\n") << false
            << QByteArray("[DIR]\r\nPATH=/a\r\n");
        QTest::newRow("off keeps another key")
            << QByteArray("[DIR]\r\nPATH=/a\r\n\r\n[OPTIONS]\r\nUNIT=2\r\nDISCSIZE=1\r\n") << false
            << QByteArray("[DIR]\r\nPATH=/a\r\n\r\n[OPTIONS]\r\nUNIT=2\r\n");
        QTest::newRow("on beside another key") << QByteArray("[OPTIONS]\r\nUNIT=2\r\n") << true
                                               << QByteArray("[OPTIONS]\r\nUNIT=2\r\nDISCSIZE=1\r\n");
        QTest::newRow("off before another section")
            << QByteArray("[OPTIONS]\r\nDISCSIZE=1\r\n\r\n[DIR]\r\nPATH=/a\r\n") << false
            << QByteArray("[DIR]\r\nPATH=/a\r\n");
    }
    void optionsSection() {
        QFETCH(QByteArray, before);
        QFETCH(bool, on);
        QFETCH(QByteArray, after);
        if (!before.isEmpty()) WriteBytes(kIni, before);
        QVERIFY(WriteDiscSizeSetting(on).ok);
        QCOMPARE(ReadBytes(kIni), after);
        QCOMPARE(QFile::exists(kIni), !after.isEmpty());
        QCOMPARE(ReadDiscSizeSetting(), on);
    }

    void refusedWritesLoseNothing() {
        WriteBytes(kIni, "[DIR]\r\nPATH=/old\r\n");
        const SettingsWriteResult lineBreak = WriteFolderSetting("/a\nb");
        QVERIFY(!lineBreak.ok);
        QCOMPARE(ReadBytes(kIni), "[DIR]\r\nPATH=/old\r\n");

        // Something in place of the files that cannot be read or replaced.
        QVERIFY(QFile::remove(kIni));
        QVERIFY(QDir().mkdir(kIni));
        QVERIFY(QDir().mkdir(kCapacity));
        const SettingsWriteResult folder = WriteFolderSetting("/new");
        const SettingsWriteResult capacity = WriteCapacityFile("700");
        QVERIFY(!folder.ok && !capacity.ok);
        QVERIFY(QString::fromStdString(folder.error).contains(kIni));
        QVERIFY(QString::fromStdString(capacity.error).contains(kCapacity));
        QVERIFY(QFileInfo(kIni).isDir() && QFileInfo(kCapacity).isDir());
    }

    void unprivilegedWrites_data() {
        QTest::addColumn<int>("directoryMode");
        QTest::addColumn<int>("fileMode");
        QTest::addColumn<bool>("folderSaved");
        QTest::addColumn<bool>("capacitySaved");
        // No temporary file can be made beside the files, but they can be rewritten where they are.
        QTest::newRow("read-only directory, writable files") << 0555 << 0644 << true << true;
        QTest::newRow("read-only directory, read-only files") << 0555 << 0444 << false << false;
        // Replacing an unreadable settings file would lose what else it holds; the capacity file is ours.
        QTest::newRow("unreadable files") << 0777 << 0200 << false << true;
    }
    void unprivilegedWrites() {
        QFETCH(int, directoryMode);
        QFETCH(int, fileMode);
        QFETCH(bool, folderSaved);
        QFETCH(bool, capacitySaved);
        const QByteArray oldIni = "[DIR]\r\nPATH=/old\r\n";
        WriteBytes(kIni, oldIni);
        WriteBytes(kCapacity, "700\r\n");
        QVERIFY(::chmod(qPrintable(kIni), fileMode) == 0 && ::chmod(qPrintable(kCapacity), fileMode) == 0);
        QVERIFY(::chmod(".", directoryMode) == 0);
        const auto writeBoth = [&] {
            const SettingsWriteResult folder = WriteFolderSetting("/new");
            const SettingsWriteResult capacity = WriteCapacityFile("800");
            return folder.ok == folderSaved && capacity.ok == capacitySaved &&
                   (folder.ok || QString::fromStdString(folder.error).contains(kIni)) &&
                   (capacity.ok || QString::fromStdString(capacity.error).contains(kCapacity));
        };
        int outcome = 1;
        if (::geteuid() != 0) {
            outcome = writeBoth() ? 0 : 1;
        } else {
            // Root ignores permission bits, so an unprivileged child owning the files tries the writes.
            const pid_t child = ::fork();
            QVERIFY(child >= 0);
            if (child == 0) {
                const bool dropped = ::chown(qPrintable(kIni), 65534, 65534) == 0 &&
                                     ::chown(qPrintable(kCapacity), 65534, 65534) == 0 &&
                                     ::setresgid(65534, 65534, 65534) == 0 &&
                                     ::setresuid(65534, 65534, 65534) == 0;
                if (!dropped) ::_exit(2);
                ::_exit(writeBoth() ? 0 : 1);
            }
            int status = 0;
            QCOMPARE(::waitpid(child, &status, 0), child);
            outcome = WIFEXITED(status) ? WEXITSTATUS(status) : 1;
        }
        ::chmod(".", 0700);
        ::chmod(qPrintable(kIni), 0600);
        ::chmod(qPrintable(kCapacity), 0600);
        if (outcome == 2) QSKIP("cannot drop to an unprivileged user");
        QCOMPARE(outcome, 0);
        if (folderSaved)
            QCOMPARE(ReadFolderSetting(), std::optional<std::string>("/new"));
        else
            QCOMPARE(ReadBytes(kIni), oldIni);
        QCOMPARE(ReadBytes(kCapacity), capacitySaved ? QByteArray("800\r\n") : QByteArray("700\r\n"));
        // Rewritten in place, not replaced by a file of the child's making.
        QCOMPARE(QDir().entryList(QDir::Files | QDir::Hidden).size(), 2);
    }

    void readsCapacity_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("capacity");
        QTest::newRow("whole") << QByteArray("700\r\n") << 700;
        QTest::newRow("half to even down") << QByteArray("700.5\r\n") << 700;
        QTest::newRow("half to even up") << QByteArray("701.5\r\n") << 702;
        QTest::newRow("blanks, no line end") << QByteArray(" \t700 ") << 700;
        QTest::newRow("first line only") << QByteArray("650\r\n700\r\n") << 650;
        QTest::newRow("LF only") << QByteArray("650\n700\n") << 650;
        QTest::newRow("CR only") << QByteArray("650\r700\r") << 650;
        QTest::newRow("full-width, code page 932") << QByteArray("\x82\x56\x82\x4F\x82\x4F\r\n") << 700;
        QTest::newRow("native form") << QByteArray("\xEF\xBB\xBF 700\r\n") << 700;
        QTest::newRow("a word") << QByteArray("seven\r\n") << 0;
        QTest::newRow("empty first line") << QByteArray("\r\n700\r\n") << 0;
        QTest::newRow("empty file") << QByteArray() << 0;
        QTest::newRow("beyond 32 bits") << QByteArray("2147483648\r\n") << 0;
    }
    void readsCapacity() {
        QFETCH(QByteArray, file);
        QFETCH(int, capacity);
        WriteBytes(kCapacity, file);
        QCOMPARE(ReadCapacityFile(), capacity);
    }

    void writesCapacity_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("capacity");
        QTest::newRow("leading blank kept") << QStringLiteral(" 700") << QByteArray(" 700\r\n") << 700;
        QTest::newRow("full-width") << QStringLiteral("７００") << QByteArray("\x82\x56\x82\x4F\x82\x4F\r\n")
                                    << 700;
        QTest::newRow("empty") << QString() << QByteArray("\r\n") << 0;
        QTest::newRow("character code page 932 lacks") << QStringLiteral("700♥")
                                                       << QByteArray(
                                                              "\xEF\xBB\xBF"
                                                              "700♥\r\n")
                                                       << 0;
    }
    void writesCapacity() {
        QFETCH(QString, text);
        QFETCH(QByteArray, file);
        QFETCH(int, capacity);
        WriteBytes(kCapacity, "a longer old content\r\n");
        QVERIFY(WriteCapacityFile(text.toStdString()).ok);
        QCOMPARE(ReadBytes(kCapacity), file);
        QCOMPARE(ReadCapacityFile(), capacity);
    }

    // The unit in [OPTIONS]: written only while it is not the default, the section gone with its last key,
    // [DIR] and everything else kept byte for byte; "-" stands for no file.
    void itemUnit_data() {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<int>("unit");
        QTest::addColumn<QByteArray>("after");
        QTest::addColumn<int>("readBefore");
        const QByteArray dir("[DIR]\r\nPATH=/data\r\n");
        QTest::newRow("default never makes a file") << QByteArray("-") << 1 << QByteArray("-") << 1;
        QTest::newRow("default leaves the file alone") << dir << 1 << dir << 1;
        QTest::newRow("another unit adds the section") << dir << 3 << dir + "\r\n[OPTIONS]\r\nUNIT=3\r\n"
                                                       << 1;
        QTest::newRow("back to default restores the bytes") << dir + "\r\n[OPTIONS]\r\nUNIT=2\r\n"
                                                            << 1 << dir << 2;
        QTest::newRow("another key keeps the section") << dir + "\r\n[OPTIONS]\r\nUNIT=2\r\nDISCSIZE=1\r\n"
                                                       << 1 << dir + "\r\n[OPTIONS]\r\nDISCSIZE=1\r\n"
                                                       << 2;
        QTest::newRow("a section in the middle") << "[options]\r\nunit=3\r\n" + dir << 1 << dir << 3;
        QTest::newRow("a new file") << QByteArray("-") << 2 << QByteArray("[OPTIONS]\r\nUNIT=2\r\n") << 1;
        QTest::newRow("nonsense reads as default") << dir + "[OPTIONS]\r\nUNIT=7\r\n"
                                                   << 2 << dir + "[OPTIONS]\r\nUNIT=2\r\n"
                                                   << 1;
    }
    void itemUnit() {
        QFETCH(QByteArray, before);
        QFETCH(int, unit);
        QFETCH(QByteArray, after);
        QFETCH(int, readBefore);
        if (before != "-") WriteBytes(kIni, before);
        QCOMPARE(ItemUnitNumber(ReadItemUnitSetting()), readBefore);
        QVERIFY(WriteItemUnitSetting(*ItemUnitFromNumber(unit)).ok);
        QCOMPARE(QFile::exists(kIni), after != "-");
        if (after != "-") QCOMPARE(ReadBytes(kIni), after);
        QCOMPARE(ItemUnitNumber(ReadItemUnitSetting()), unit);
        QVERIFY(WriteFolderSetting(std::string("/data")).ok);
        QCOMPARE(ItemUnitNumber(ReadItemUnitSetting()), unit);
    }

  private:
    std::unique_ptr<QTemporaryDir> dir_;
    QString previous_;
};

QTEST_GUILESS_MAIN(SettingsFilesTest)
#include "settings_files_test.moc"
