#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <cstdint>
#include <memory>
#include <mutex>

#include "search/background_job.h"

class QProgressDialog;
class QWidget;

namespace drovalin {

// Runs one job (a plan, a best combination) on a thread of its own while the window's thread goes on
// processing events; to its caller the call is synchronous. As with a rebuild, the guarded window takes no
// input meanwhile, and a job that takes longer than kQuietTime shows a progress dialog with a
// 「キャンセル」 button; Escape cancels too.
class JobRunner : public QObject {
    Q_OBJECT

  public:
    static constexpr int kQuietTime = 500;  // milliseconds before progress is shown

    // title names the dialog, text says what is being done.
    JobRunner(QWidget* guarded, QString title, QString text);
    ~JobRunner() override;

    // Runs the job to its end; false when it was cancelled (its results are then of no use). Rethrows what
    // the job threw.
    bool Run(Job job);
    // Asks the running job to stop; Run then returns once the job heeds it.
    void Cancel();
    // The progress dialog while it is shown, else nullptr.
    QProgressDialog* Dialog() const;
    bool Running() const;

  protected:
    bool eventFilter(QObject* receiver, QEvent* event) override;

  private:
    void ShowProgress();
    void ShowLatest();

    QWidget* guarded_;
    QString title_;
    QString text_;
    std::unique_ptr<BackgroundJob> job_;
    QTimer quietTimer_;
    bool shown_ = false;
    QPointer<QProgressDialog> dialog_;

    std::mutex latestMutex_;  // the job reports from its own thread
    std::int64_t done_ = 0;
    std::int64_t total_ = 0;
    bool updatePending_ = false;
};

}  // namespace drovalin
