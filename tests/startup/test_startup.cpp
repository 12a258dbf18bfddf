// Start-up and shut-down of the real main window in a temporary current directory.
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QtTest>

#include "form1.h"
#include "loaded_forms.h"
#include "recording_doubles.h"
#include "sample_folder.h"
#include "single_instance_guard.h"

using drovalin::Form1;
using drovalin::LoadedForms;

namespace {

const char kFolderFile[] = "Drovalin_ZELTA.ini";
const char kCapacityFile[] = "Drovalin.txt";

void WriteFile(const QString& name, const QByteArray& bytes) {
    QFile file(name);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

QByteArray ReadFile(const QString& name) {
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

QString UniqueInstanceKey() {
    static int count = 0;
    return QStringLiteral("drovalin-startup-test-%1-%2").arg(QCoreApplication::applicationPid()).arg(++count);
}

}  // namespace

class StartupTest : public QObject {
    Q_OBJECT

  private:
    std::unique_ptr<QTemporaryDir> dir_;
    QString previousDir_;
    std::string folder_;

  private slots:
    void init() {
        dir_ = std::make_unique<QTemporaryDir>();
        QVERIFY(dir_->isValid());
        previousDir_ = QDir::currentPath();
        QVERIFY(QDir::setCurrent(dir_->path()));
        folder_ =
            MakeFolder(dir_->path().toStdString(), "data", {{"a.bin", 300}, {"b.bin", 200}, {"c.bin", 100}});
    }
    void cleanup() {
        QDir::setCurrent(previousDir_);
        dir_.reset();
    }

    void startsFromTheSettingsFiles_data() {
        QTest::addColumn<QString>("remembered");  // "none", "folder" or "gone"
        QTest::addColumn<QByteArray>("capacityFile");
        QTest::addColumn<QString>("box");
        QTest::addColumn<int>("capacity");
        QTest::addColumn<int>("files");
        QTest::addColumn<QList<qint64>>("totals");

        const QByteArray none = "<none>";
        QTest::newRow("first start") << "none" << none << "" << 0 << 0 << QList<qint64>{};
        QTest::newRow("folder and 700")
            << "folder" << QByteArray("700\r\n") << "700" << 700 << 3 << QList<qint64>{600, 300, 100};
        QTest::newRow("folder and 250.5")
            << "folder" << QByteArray("250.5\r\n") << "250" << 250 << 3 << QList<qint64>{200, 100};
        QTest::newRow("folder, no capacity file") << "folder" << none << "0" << 0 << 3 << QList<qint64>{};
        QTest::newRow("folder, word in capacity file")
            << "folder" << QByteArray("abc\r\n") << "0" << 0 << 3 << QList<qint64>{};
        QTest::newRow("folder gone") << "gone" << QByteArray("700\r\n") << "700" << 700 << 0
                                     << QList<qint64>{};
        QTest::newRow("capacity but no folder")
            << "none" << QByteArray("700\r\n") << "" << 0 << 0 << QList<qint64>{};
    }
    void startsFromTheSettingsFiles() {
        QFETCH(QString, remembered);
        QFETCH(QByteArray, capacityFile);
        QFETCH(QString, box);
        QFETCH(int, capacity);
        QFETCH(int, files);
        QFETCH(QList<qint64>, totals);

        const std::string folder = remembered == "gone" ? folder_ + "-gone" : folder_;
        if (remembered != "none")
            WriteFile(kFolderFile, QByteArray("[DIR]\r\nPATH=") + folder.c_str() + "\r\n");
        if (capacityFile != "<none>") WriteFile(kCapacityFile, capacityFile);

        Form1 form;
        RecordingNotifier notifier;
        form.SetNotifier(&notifier);
        QVERIFY(form.Form_Load(UniqueInstanceKey()));
        form.ShowStartupNotices();

        QCOMPARE(form.Text1()->text(), box);
        QCOMPARE(form.Capacity(), capacity);
        QCOMPARE(form.CurrentFolder().has_value(), remembered != "none");
        QCOMPARE(form.Files().Rows() - 1, files);
        QList<qint64> shown;
        for (int row = 1; row < form.Combinations().Rows(); ++row) shown << form.Combinations().Total(row);
        QCOMPARE(shown, totals);
        // A remembered folder that has gone since is no reason for a box.
        QCOMPARE(notifier.notices.size(), std::size_t{0});

        // The main window and then the splash were loaded; the splash is hidden again.
        QCOMPARE(LoadedForms::Count(), 2);
        QCOMPARE(LoadedForms::Item(0), &form);
        QVERIFY(!LoadedForms::Item(1)->isVisible());
    }

    void shutDownWritesTheFolderAndTheBoxText_data() {
        QTest::addColumn<bool>("dropFolder");
        QTest::addColumn<QString>("boxText");
        QTest::addColumn<QByteArray>("folderFileBefore");
        QTest::addColumn<QByteArray>("folderFileAfter");
        QTest::addColumn<QByteArray>("capacityFileAfter");

        QTest::newRow("no folder ever chosen: the key goes, an untouched box gives an empty line")
            << false << "" << QByteArray("[DIR]\r\nPATH=\r\nOTHER=1\r\n")
            << QByteArray("[DIR]\r\nOTHER=1\r\n") << QByteArray("\r\n");
        QTest::newRow("folder and a box with blanks, written unchanged")
            << true << " 1000 " << QByteArray("<none>") << QByteArray("[DIR]\r\nPATH=<folder>\r\n")
            << QByteArray(" 1000 \r\n");
        QTest::newRow("full-width digits in the box")
            << true << "７００" << QByteArray("<none>") << QByteArray("[DIR]\r\nPATH=<folder>\r\n")
            << QString("７００\r\n").toUtf8();
    }
    void shutDownWritesTheFolderAndTheBoxText() {
        QFETCH(bool, dropFolder);
        QFETCH(QString, boxText);
        QFETCH(QByteArray, folderFileBefore);
        QFETCH(QByteArray, folderFileAfter);
        QFETCH(QByteArray, capacityFileAfter);
        if (folderFileBefore != "<none>") WriteFile(kFolderFile, folderFileBefore);
        folderFileAfter.replace("<folder>", QByteArray::fromStdString(folder_));

        {
            Form1 form;
            RecordingNotifier notifier;
            form.SetNotifier(&notifier);
            QVERIFY(form.Form_Load(UniqueInstanceKey()));
            if (dropFolder) form.SetCurrentFolder(folder_);
            form.Text1()->setText(boxText);
            form.show();
            QVERIFY(form.close());
            QCOMPARE(notifier.notices.size(), std::size_t{0});
            QCOMPARE(LoadedForms::Count(), 0);
        }
        QCOMPARE(ReadFile(kFolderFile), folderFileAfter);
        // The capacity file is text in the Windows Japanese code page, so "７００" must not come back as
        // UTF-8.
        if (boxText == "７００")
            QCOMPARE(ReadFile(kCapacityFile), QByteArray("\x82\x56\x82\x4f\x82\x4f\r\n"));
        else
            QCOMPARE(ReadFile(kCapacityFile), capacityFileAfter);
    }

    void failedWritesAreToldOnceInOrderAndTheProgramStillEnds() {
        // Folders in the way of both files make both writes fail.
        QVERIFY(QDir().mkdir(kFolderFile));
        QVERIFY(QDir().mkdir(kCapacityFile));
        Form1 form;
        RecordingNotifier notifier;
        form.SetNotifier(&notifier);
        QVERIFY(form.Form_Load(UniqueInstanceKey()));
        form.SetCurrentFolder(folder_);
        form.show();
        QVERIFY(form.close());

        QCOMPARE(notifier.notices.size(), std::size_t{1});
        const QString text = notifier.notices.front().text;
        const qsizetype folderAt = text.indexOf(kFolderFile);
        const qsizetype capacityAt = text.indexOf(kCapacityFile);
        QVERIFY2(folderAt >= 0 && capacityAt > folderAt, qPrintable(text));
        QCOMPARE(LoadedForms::Count(), 0);
    }

    void aSecondInstanceEndsAndWritesNothing() {
        WriteFile(kFolderFile, QByteArray("[DIR]\r\nPATH=") + folder_.c_str() + "\r\n");
        WriteFile(kCapacityFile, "700\r\n");
        const QString key = UniqueInstanceKey();
        drovalin::SingleInstanceGuard running(key);
        QVERIFY(running.TryBecomePrimary());

        {
            Form1 form;
            QVERIFY(!form.Form_Load(key));
            QCOMPARE(form.Files().Rows(), 1);
        }
        QCOMPARE(ReadFile(kFolderFile), QByteArray("[DIR]\r\nPATH=") + folder_.c_str() + "\r\n");
        QCOMPARE(ReadFile(kCapacityFile), QByteArray("700\r\n"));
    }
};

QTEST_MAIN(StartupTest)
#include "test_startup.moc"
