#include <QCloseEvent>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <memory>
#include <vector>

#include "loaded_forms.h"
#include "unload_all_forms.h"

using drovalin::LoadedForms;
using drovalin::UnloadAllForms;

namespace {

// A window that notes when it is closed; the main window unloads every window from its own close handler.
class RecordingForm : public QWidget {
  public:
    RecordingForm(QString name, QStringList& log, bool isMainWindow = false)
        : name_(std::move(name)), log_(log), isMainWindow_(isMainWindow) {}

  protected:
    void closeEvent(QCloseEvent* event) override {
        log_ << name_;
        if (isMainWindow_) UnloadAllForms();
        event->accept();
    }

  private:
    QString name_;
    QStringList& log_;
    bool isMainWindow_;
};

void ProcessDeletions() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

}  // namespace

class TestUnloadAllForms : public QObject {
    Q_OBJECT

  private slots:
    void cleanup() {
        while (LoadedForms::Count() > 0) LoadedForms::Forget(LoadedForms::Item(0));
    }

    // Windows named by their load order; those in closedByUser are closed (and destroyed) beforehand.
    void unloadsTheLastLoadedFirst_data() {
        QTest::addColumn<int>("windows");
        QTest::addColumn<QList<int>>("closedByUser");
        QTest::addColumn<QStringList>("unloadOrder");
        QTest::newRow("none loaded") << 0 << QList<int>{} << QStringList{};
        QTest::newRow("one") << 1 << QList<int>{} << QStringList{"0"};
        QTest::newRow("three") << 3 << QList<int>{} << QStringList{"2", "1", "0"};
        QTest::newRow("last closed by the user") << 3 << QList<int>{2} << QStringList{"1", "0"};
        QTest::newRow("middle closed by the user") << 4 << QList<int>{1} << QStringList{"3", "2", "0"};
        QTest::newRow("all but the first closed") << 3 << QList<int>{1, 2} << QStringList{"0"};
    }
    void unloadsTheLastLoadedFirst() {
        QFETCH(int, windows);
        QFETCH(QList<int>, closedByUser);
        QFETCH(QStringList, unloadOrder);
        QStringList log;
        std::vector<QPointer<RecordingForm>> forms;
        for (int i = 0; i < windows; ++i) {
            auto* form = new RecordingForm(QString::number(i), log);
            form->setAttribute(Qt::WA_DeleteOnClose);
            if (i % 2 == 0) form->show();
            LoadedForms::Load(form);
            forms.emplace_back(form);
        }
        for (int i : closedByUser) forms[i]->close();
        ProcessDeletions();
        log.clear();
        QCOMPARE(LoadedForms::Count(), windows - closedByUser.size());

        UnloadAllForms();
        ProcessDeletions();
        QCOMPARE(log, unloadOrder);
        QCOMPARE(LoadedForms::Count(), 0);
        for (const auto& form : forms) QVERIFY(form.isNull());
    }

    // Closing the main window unloads the splash, loaded after it, and then the main window finishes closing:
    // it is closed once, not a second time from inside its own close.
    void closingTheMainWindowUnloadsTheSplashFirst() {
        QStringList log;
        auto main = std::make_unique<RecordingForm>("main", log, true);
        QPointer<RecordingForm> splash = new RecordingForm("splash", log);
        splash->setAttribute(Qt::WA_DeleteOnClose);
        LoadedForms::Load(main.get());
        LoadedForms::Load(splash);
        main->show();
        splash->hide();

        QVERIFY(main->close());
        ProcessDeletions();
        QCOMPARE(log, (QStringList{"main", "splash"}));
        QVERIFY(splash.isNull());
        QVERIFY(!main->isVisible());
        QCOMPARE(LoadedForms::Count(), 0);
    }

    void loadingTwiceKeepsTheFirstPlace() {
        QStringList log;
        RecordingForm first("first", log), second("second", log);
        LoadedForms::Load(&first);
        LoadedForms::Load(&second);
        LoadedForms::Load(&first);
        LoadedForms::Load(nullptr);
        QCOMPARE(LoadedForms::Count(), 2);
        UnloadAllForms();
        QCOMPARE(log, (QStringList{"second", "first"}));
    }

    // Nothing is shown, so only the unloading itself can end the event loop.
    void unloadingEveryWindowEndsTheProgram() {
        QStringList log;
        LoadedForms::Load(new RecordingForm("hidden", log));
        auto* form = LoadedForms::Item(0);
        form->setAttribute(Qt::WA_DeleteOnClose);
        QTimer::singleShot(0, [] { UnloadAllForms(); });
        QTimer::singleShot(5000, [] { QCoreApplication::exit(2); });
        QCOMPARE(QCoreApplication::exec(), 0);
        QCOMPARE(log, QStringList{"hidden"});
    }
};

QTEST_MAIN(TestUnloadAllForms)
#include "test_unload_all_forms.moc"
