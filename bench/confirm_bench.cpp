// drovalin-confirm-bench: times a click on a combination of N files (default 1,000,000) until its
// confirmation is shown and its names are painted, through the real window and the real confirmation.
// The confirmation is cancelled each time, so nothing moves.
#include <time.h>
#include <QAbstractItemView>
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "form1.h"
#include "message_box_move_dialogs.h"
#include "tables/combination_table.h"
#include "tables/file_table.h"

using namespace drovalin;

namespace {

// Wall time, and the CPU time of the window thread, which a machine busy with other work does not inflate.
class Stopwatch {
  public:
    void Restart() {
        wall_.start();
        cpuStart_ = ThreadCpuMs();
    }
    double WallMs() const { return wall_.nsecsElapsed() / 1e6; }
    double CpuMs() const { return ThreadCpuMs() - cpuStart_; }

  private:
    static double ThreadCpuMs() {
        timespec now{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
        return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
    }
    QElapsedTimer wall_;
    double cpuStart_ = 0;
};

// Watches for the confirmation: when it is shown and when its list of names is first painted; then cancels.
class ConfirmationWatch : public QObject {
  public:
    explicit ConfirmationWatch(const Stopwatch& clock) : clock_(clock) {}
    double shownMs = -1;
    double paintedMs = -1;
    double paintedCpuMs = -1;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show && shownMs < 0 && qobject_cast<QDialog*>(watched) != nullptr)
            shownMs = clock_.WallMs();
        if (event->type() == QEvent::Paint && paintedMs < 0) {
            auto* widget = qobject_cast<QWidget*>(watched);
            auto* list =
                widget != nullptr ? qobject_cast<QAbstractItemView*>(widget->parentWidget()) : nullptr;
            if (list != nullptr && widget == list->viewport() &&
                qobject_cast<QDialog*>(list->window()) != nullptr) {
                paintedMs = clock_.WallMs();
                paintedCpuMs = clock_.CpuMs();
                QTimer::singleShot(0, list->window(), [dialog = list->window()] { dialog->close(); });
            }
        }
        return false;
    }

  private:
    const Stopwatch& clock_;
};

// Runs action five times, each time from the start until the confirmation is shown and painted, and prints
// the times and their medians; false when the confirmation did not appear.
bool Measure(QApplication& app, Stopwatch& clock, const char* what, long long count,
             const std::function<void()>& action) {
    std::vector<double> shown;
    std::vector<double> painted;
    std::vector<double> cpu;
    for (int attempt = 1; attempt <= 5; ++attempt) {
        ConfirmationWatch watch(clock);
        app.installEventFilter(&watch);
        clock.Restart();
        action();
        app.removeEventFilter(&watch);
        if (watch.shownMs < 0 || watch.paintedMs < 0) return false;
        shown.push_back(watch.shownMs);
        painted.push_back(watch.paintedMs);
        cpu.push_back(watch.paintedCpuMs);
        std::printf("confirm names=%lld %s attempt=%d shown_ms=%.1f painted_ms=%.1f painted_cpu_ms=%.1f\n",
                    count, what, attempt, watch.shownMs, watch.paintedMs, watch.paintedCpuMs);
    }
    for (auto* figures : {&shown, &painted, &cpu}) std::sort(figures->begin(), figures->end());
    std::printf(
        "confirm names=%lld %s median_shown_ms=%.1f median_painted_ms=%.1f median_painted_cpu_ms=%.1f\n",
        count, what, shown[2], painted[2], cpu[2]);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const long long count = argc > 1 ? std::atoll(argv[1]) : 1000000;
    if (count <= 0 || count > 100000000) {
        std::fprintf(stderr, "usage: drovalin-confirm-bench [NAMES]\n");
        return 2;
    }
    QTemporaryDir folder;  // empty: the move is cancelled anyway

    auto files = std::make_shared<FileTable>();
    files->Reserve(static_cast<std::size_t>(count));
    for (long long i = 0; i < count; ++i) {
        char name[40];
        std::snprintf(name, sizeof(name), "IMG_20240101_%07lld.jpg", i);
        files->Append(name, 0);
    }
    auto combinations = std::make_shared<CombinationTable>(files);
    combinations->SetCapacity(700000);
    combinations->Append(0, {{1, static_cast<std::int32_t>(count) + 1}});

    Form1 form;
    form.SetCurrentFolder(folder.path().toStdString());
    form.ShowTables(files, combinations);
    form.show();
    if (!QTest::qWaitForWindowExposed(&form)) return 1;
    QTableView* grid = form.MSHFlexGrid2();
    const QRect cell = grid->visualRect(grid->model()->index(0, CombinationTable::kNamesCol));

    Stopwatch clock;
    clock.Restart();
    const std::vector<std::string> copied = combinations->FileNames(1);
    const double copyMs = clock.WallMs();

    // The whole click, and the confirmation alone over names already copied.
    const bool clicked = Measure(app, clock, "click", count, [&] {
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
    });
    MessageBoxMoveDialogs dialogs(&form);
    const bool confirmed =
        Measure(app, clock, "confirmation_only", count, [&] { dialogs.ConfirmMove(copied, {}); });
    if (!clicked || !confirmed) {
        std::fprintf(stderr, "the confirmation did not appear\n");
        return 1;
    }
    std::printf("confirm names=%lld names_copy_ms=%.1f\n", count, copyMs);
    return 0;
}
