// A long rebuild, plan or best combination: its progress, cancelling it, and the window holding back input
// meanwhile.
#include <QAction>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QProgressBar>
#include <QProgressDialog>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <set>
#include <stdexcept>
#include <thread>

#include "form1.h"
#include "frm_splash.h"
#include "job_runner.h"
#include "loaded_forms.h"
#include "rebuild_runner.h"
#include "recording_doubles.h"
#include "sample_folder.h"

using drovalin::Form1;

namespace {

// Holds every measurement until opened, so a rebuild lasts exactly as long as a test needs.
struct Gate {
    std::atomic<bool> open{false};
    void Wait() const {
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (!open && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
};

std::set<std::string> NamesIn(const std::string& folder) {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path(folder)))
        names.insert(entry.path().filename().string());
    return names;
}

// Runs act once, from the event loop, as soon as ready() holds; gives up after 20 s.
void WhenReady(std::function<bool()> ready, std::function<void()> act) {
    auto* timer = new QTimer;
    auto started = std::make_shared<std::chrono::steady_clock::time_point>(std::chrono::steady_clock::now());
    QObject::connect(timer, &QTimer::timeout, [timer, ready, act, started] {
        const bool late = std::chrono::steady_clock::now() - *started > std::chrono::seconds(20);
        if (!late && !ready()) return;
        timer->stop();
        timer->deleteLater();
        if (!late) act();
    });
    timer->start(10);
}

QString UniqueInstanceKey() {
    static int count = 0;
    return QStringLiteral("drovalin-progress-test-%1-%2")
        .arg(QCoreApplication::applicationPid())
        .arg(++count);
}

}  // namespace

class TestRebuildProgress : public QObject {
    Q_OBJECT

  private slots:
    void init();
    void cleanup();

    void cancellingLeavesEmptyTables_data();
    void cancellingLeavesEmptyTables();
    void noInputReachesTheWindow();
    void closingWaitsForTheRebuildThenShutsDown_data();
    void closingWaitsForTheRebuildThenShutsDown();
    void startUpShowsProgressOnTheSplash();
    void jobProgressAndCancel_data();
    void jobProgressAndCancel();

  private:
    void Drop(const std::string& folder);
    QProgressDialog* Dialog() const { return form_->findChild<QProgressDialog*>(); }
    bool DialogShown() const { return Dialog() && Dialog()->isVisible(); }

    std::unique_ptr<QTemporaryDir> dir_;
    QString previousDir_;
    std::string folder_;
    std::unique_ptr<Form1> form_;
    RecordingNotifier notifier_;
    Gate gate_;
};

void TestRebuildProgress::init() {
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
    // Shutting down writes the settings files into the current directory.
    previousDir_ = QDir::currentPath();
    QVERIFY(QDir::setCurrent(dir_->path()));
    std::vector<std::pair<std::string, std::int64_t>> files;
    for (int i = 0; i < 40; ++i) files.emplace_back("file " + std::to_string(i), i % 7 + 1);
    folder_ = MakeFolder(dir_->path().toStdString(), "data", files);
    notifier_ = {};
    gate_.open = false;
    form_ = std::make_unique<Form1>();
    form_->SetNotifier(&notifier_);
    form_->SetMeasuringHook([this](const std::string&) { gate_.Wait(); });
}

void TestRebuildProgress::cleanup() {
    gate_.open = true;
    form_.reset();
    QDir::setCurrent(previousDir_);
    dir_.reset();
}

// Delivers a drop the way the platform does, to the window; returns once the rebuild it starts has ended.
void TestRebuildProgress::Drop(const std::string& folder) {
    if (!form_->isVisible()) {
        form_->show();
        QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
    }
    QMimeData mime;
    mime.setUrls({FileUrl(folder)});
    QDragEnterEvent enter(QPoint(300, 200), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(form_->windowHandle(), &enter);
    QDropEvent drop(QPoint(300, 200), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(form_->windowHandle(), &drop);
    QVERIFY(drop.isAccepted());
    QCoreApplication::processEvents();
}

void TestRebuildProgress::cancellingLeavesEmptyTables_data() {
    QTest::addColumn<QString>("how");
    QTest::newRow("キャンセル button") << "button";
    QTest::newRow("Escape in the dialog") << "escape in dialog";
    QTest::newRow("Escape in the window before the dialog shows") << "escape in window";
}

void TestRebuildProgress::cancellingLeavesEmptyTables() {
    QFETCH(QString, how);
    form_->Text1()->setText("100");
    const auto before = NamesIn(folder_);
    QString title;
    QString button;
    QString label;
    if (how == "escape in window") {
        WhenReady([this] { return form_->RunningRebuild() != nullptr; },
                  [this] {
                      QTest::keyClick(form_->MSHFlexGrid2(), Qt::Key_Escape);
                      gate_.open = true;
                  });
    } else {
        WhenReady([this] { return DialogShown(); },
                  [&, this] {
                      QProgressDialog* dialog = Dialog();
                      title = dialog->windowTitle();
                      label = dialog->labelText();
                      for (auto* push : dialog->findChildren<QPushButton*>()) button = push->text();
                      if (how == "button")
                          QTest::mouseClick(dialog->findChild<QPushButton*>(), Qt::LeftButton);
                      else
                          QTest::keyClick(dialog, Qt::Key_Escape);
                      gate_.open = true;
                  });
    }

    Drop(folder_);

    QVERIFY(!form_->RunningRebuild());
    QCOMPARE(form_->Files().Rows(), 1);
    QCOMPARE(form_->Combinations().Rows(), 1);
    QCOMPARE(form_->MSHFlexGrid2()->model()->rowCount(), 0);
    QCOMPARE(form_->CurrentFolder(), std::optional<std::string>(folder_));
    QCOMPARE(NamesIn(folder_), before);
    QVERIFY(notifier_.notices.empty());
    QVERIFY(!DialogShown());
    if (how != "escape in window") {
        QCOMPARE(title, QString("フォルダの読み込み"));
        QCOMPARE(button, QString("キャンセル"));
        QVERIFY2(label.contains("ファイルを"), qPrintable(label));
    }

    // A later drop starts afresh and runs to the end.
    Drop(folder_);
    QCOMPARE(form_->Files().Rows(), 41);
    QVERIFY(form_->Combinations().Rows() > 1);
}

void TestRebuildProgress::noInputReachesTheWindow() {
    const std::string other = MakeFolder(dir_->path().toStdString(), "other", {{"x", 1}});
    form_->Text1()->setText("100");
    auto* command = new QAction(QStringLiteral("命令"), form_.get());
    command->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_K));
    int triggered = 0;
    connect(command, &QAction::triggered, [&] { ++triggered; });
    form_->AddCommand(command);
    bool secondDropAccepted = true;
    WhenReady([this] { return form_->RunningRebuild() != nullptr; },
              [&, this] {
                  form_->Text1()->setFocus();
                  QTest::keyClicks(form_->Text1(), "999");
                  QTest::keyClick(form_->Text1(), Qt::Key_K, Qt::ControlModifier);
                  QTest::mouseClick(form_->MSHFlexGrid2()->viewport(), Qt::LeftButton, {}, QPoint(20, 20));
                  QMimeData mime;
                  mime.setUrls({FileUrl(other)});
                  QDragEnterEvent enter(QPoint(300, 200), Qt::CopyAction, &mime, Qt::LeftButton,
                                        Qt::NoModifier);
                  QApplication::sendEvent(form_->windowHandle(), &enter);
                  QDropEvent drop(QPoint(300, 200), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
                  QApplication::sendEvent(form_->windowHandle(), &drop);
                  secondDropAccepted = drop.isAccepted();
                  QCoreApplication::processEvents();
                  gate_.open = true;
              });

    Drop(folder_);
    QCoreApplication::processEvents();

    QVERIFY(!secondDropAccepted);
    QCOMPARE(form_->Text1()->text(), QString("100"));
    QCOMPARE(form_->Capacity(), 100);
    QCOMPARE(triggered, 0);
    QCOMPARE(form_->CurrentFolder(), std::optional<std::string>(folder_));
    QCOMPARE(form_->Files().Rows(), 41);
    // Afterwards the window takes input again.
    QTest::keyClicks(form_->Text1(), "0");
    QCOMPARE(form_->Text1()->text(), QString("1000"));
    QTest::keyClick(form_->Text1(), Qt::Key_K, Qt::ControlModifier);
    QCOMPARE(triggered, 1);
}

void TestRebuildProgress::closingWaitsForTheRebuildThenShutsDown_data() {
    QTest::addColumn<bool>("withDialog");
    QTest::newRow("before the progress shows") << false;
    QTest::newRow("while the progress dialog shows") << true;
}

void TestRebuildProgress::closingWaitsForTheRebuildThenShutsDown() {
    QFETCH(bool, withDialog);
    form_->Text1()->setText("100");
    const auto before = NamesIn(folder_);
    bool closedAtOnce = true;
    WhenReady([&, this] { return withDialog ? DialogShown() : form_->RunningRebuild() != nullptr; },
              [&, this] {
                  closedAtOnce = form_->close();
                  gate_.open = true;
              });

    Drop(folder_);
    QTRY_VERIFY(!form_->isVisible());

    QVERIFY(!closedAtOnce);
    QCOMPARE(form_->Files().Rows(), 1);
    QCOMPARE(NamesIn(folder_), before);
    QFile settings("Drovalin_ZELTA.ini");
    QVERIFY(settings.open(QIODevice::ReadOnly));
    QVERIFY(settings.readAll().contains(QByteArray::fromStdString(folder_)));
    QCOMPARE(drovalin::LoadedForms::Count(), 0);
}

void TestRebuildProgress::startUpShowsProgressOnTheSplash() {
    QFile settings("Drovalin_ZELTA.ini");
    QVERIFY(settings.open(QIODevice::WriteOnly));
    settings.write(QByteArray("[DIR]\r\nPATH=") + folder_.c_str() + "\r\n");
    settings.close();
    QString shown;
    bool barShown = false;
    WhenReady(
        [] {
            auto* splash = drovalin::LoadedForms::Count() > 1
                               ? qobject_cast<drovalin::frmSplash*>(drovalin::LoadedForms::Item(1))
                               : nullptr;
            return splash && splash->barProgress();
        },
        [&] {
            auto* splash = qobject_cast<drovalin::frmSplash*>(drovalin::LoadedForms::Item(1));
            shown = splash->lblWarning()->text();
            barShown = splash->barProgress()->isVisible();
            QTest::keyClick(splash, Qt::Key_Escape);
            gate_.open = true;
        });

    QVERIFY(form_->Form_Load(UniqueInstanceKey()));

    QVERIFY2(shown.contains("ファイルを") && shown.contains("Esc"), qPrintable(shown));
    QVERIFY(barShown);
    QCOMPARE(form_->CurrentFolder(), std::optional<std::string>(folder_));
    QCOMPARE(form_->Files().Rows(), 1);
    QVERIFY(!drovalin::LoadedForms::Item(1)->isVisible());
    QVERIFY(!Dialog());
}

void TestRebuildProgress::jobProgressAndCancel_data() {
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("done");
    QTest::addColumn<bool>("dialogSeen");
    QTest::newRow("a quick job shows nothing") << "quick" << true << false;
    QTest::newRow("a long job shows the dialog, then ends") << "end" << true << true;
    QTest::newRow("キャンセル button") << "button" << false << true;
    QTest::newRow("Escape in the dialog") << "escape in dialog" << false << true;
    QTest::newRow("Escape in the window before the dialog shows") << "escape in window" << false << false;
    QTest::newRow("a job that fails is told") << "throw" << false << false;
}

// A job (a plan, a best combination) runs as a rebuild does: typing is held back, and it can be cancelled.
void TestRebuildProgress::jobProgressAndCancel() {
    QFETCH(QString, how);
    QFETCH(bool, done);
    QFETCH(bool, dialogSeen);
    form_->Text1()->setText("100");
    form_->show();
    QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
    gate_.open = how == "quick";
    bool seen = false;
    QString title;
    if (how == "escape in window") {
        WhenReady([this] { return form_->RunningJob() != nullptr; },
                  [this] {
                      QTest::keyClicks(form_->Text1(), "9");
                      QTest::keyClick(form_->MSHFlexGrid2(), Qt::Key_Escape);
                  });
    } else if (how != "quick" && how != "throw") {
        WhenReady([this] { return DialogShown(); },
                  [&, this] {
                      seen = true;
                      title = Dialog()->windowTitle() + " " + Dialog()->findChild<QPushButton*>()->text();
                      QTest::keyClicks(form_->Text1(), "9");
                      if (how == "button")
                          QTest::mouseClick(Dialog()->findChild<QPushButton*>(), Qt::LeftButton);
                      else if (how == "escape in dialog")
                          QTest::keyClick(Dialog(), Qt::Key_Escape);
                      else
                          gate_.open = true;
                  });
    }

    const bool result = form_->RunJob("振り分け計画", "計画中", [&](const drovalin::JobControl& control) {
        if (how == "throw") throw std::runtime_error("boom");
        while (!gate_.open && !control.stop.stop_requested())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    });

    QCOMPARE(result, done);
    QCOMPARE(seen, dialogSeen);
    QVERIFY(!form_->RunningJob());
    QCOMPARE(form_->Text1()->text(), QString("100"));
    QCOMPARE(notifier_.notices.size(), std::size_t(how == "throw" ? 1 : 0));
    if (how == "throw") QVERIFY(notifier_.notices[0].text.contains("boom"));
    if (dialogSeen) QCOMPARE(title, QString("振り分け計画 キャンセル"));
    QTest::keyClicks(form_->Text1(), "0");
    QCOMPARE(form_->Text1()->text(), QString("1000"));
}

QTEST_MAIN(TestRebuildProgress)
#include "tst_rebuild_progress.moc"
