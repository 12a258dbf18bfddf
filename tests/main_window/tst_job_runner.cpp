// A plan or a best combination off the window's thread: its progress, cancelling it, input held back.
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <stdexcept>
#include <thread>

#include "form1.h"
#include "job_runner.h"
#include "recording_doubles.h"

using drovalin::Form1;

namespace {

// Runs act once, from the event loop, as soon as ready() holds; gives up after 20 s.
void WhenReady(std::function<bool()> ready, std::function<void()> act) {
    auto* timer = new QTimer;
    const auto started = std::chrono::steady_clock::now();
    QObject::connect(timer, &QTimer::timeout, [timer, ready, act, started] {
        const bool late = std::chrono::steady_clock::now() - started > std::chrono::seconds(20);
        if (!late && !ready()) return;
        timer->stop();
        timer->deleteLater();
        if (!late) act();
    });
    timer->start(10);
}

}  // namespace

class TestJobRunner : public QObject {
    Q_OBJECT

  private slots:
    void runCancelAndFail_data();
    void runCancelAndFail();
};

void TestJobRunner::runCancelAndFail_data() {
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("done");
    QTest::addColumn<bool>("dialogSeen");
    QTest::addColumn<int>("notices");
    QTest::newRow("a quick job shows nothing") << "quick" << true << false << 0;
    QTest::newRow("a long job shows the dialog, then ends") << "end" << true << true << 0;
    QTest::newRow("キャンセル button") << "button" << false << true << 0;
    QTest::newRow("Escape in the dialog") << "escape in dialog" << false << true << 0;
    QTest::newRow("Escape in the window before the dialog shows")
        << "escape in window" << false << false << 0;
    QTest::newRow("a job that fails is told") << "throw" << false << false << 1;
}

void TestJobRunner::runCancelAndFail() {
    QFETCH(QString, how);
    QFETCH(bool, done);
    QFETCH(bool, dialogSeen);
    QFETCH(int, notices);
    Form1 form;
    RecordingNotifier notifier;
    form.SetNotifier(&notifier);
    form.Text1()->setText("100");
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    std::atomic<bool> open{how == "quick"};
    bool seen = false;
    QString title;
    QString button;
    const auto dialog = [&form] { return form.RunningJob() ? form.RunningJob()->Dialog() : nullptr; };
    if (how == "escape in window") {
        WhenReady([&] { return form.RunningJob() != nullptr; },
                  [&] {
                      // Typing is held back; Escape is not.
                      QTest::keyClicks(form.Text1(), "9");
                      QTest::keyClick(form.MSHFlexGrid2(), Qt::Key_Escape);
                  });
    } else if (how != "quick" && how != "throw") {
        WhenReady([&] { return dialog() && dialog()->isVisible(); },
                  [&] {
                      seen = true;
                      title = dialog()->windowTitle();
                      for (auto* push : dialog()->findChildren<QPushButton*>()) button = push->text();
                      QTest::keyClicks(form.Text1(), "9");
                      if (how == "button")
                          QTest::mouseClick(dialog()->findChild<QPushButton*>(), Qt::LeftButton);
                      else if (how == "escape in dialog")
                          QTest::keyClick(dialog(), Qt::Key_Escape);
                      else
                          open = true;
                  });
    }

    const bool result = form.RunJob(
        QStringLiteral("振り分け計画"), QStringLiteral("計画中"), [&](const drovalin::JobControl& control) {
            if (how == "throw") throw std::runtime_error("boom");
            const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
            while (!open && !control.stop.stop_requested() && std::chrono::steady_clock::now() < until)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
        });

    QCOMPARE(result, done);
    QCOMPARE(seen, dialogSeen);
    QVERIFY(!form.RunningJob());
    QCOMPARE(form.Text1()->text(), QString("100"));
    QCOMPARE(int(notifier.notices.size()), notices);
    if (notices > 0) QVERIFY(notifier.notices[0].text.contains("boom"));
    if (dialogSeen) {
        QCOMPARE(title, QString("振り分け計画"));
        QCOMPARE(button, QString("キャンセル"));
    }
    // Afterwards the window takes input again.
    QTest::keyClicks(form.Text1(), "0");
    QCOMPARE(form.Text1()->text(), QString("1000"));
}

QTEST_MAIN(TestJobRunner)
#include "tst_job_runner.moc"
