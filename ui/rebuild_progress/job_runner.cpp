#include "job_runner.h"

#include <QApplication>
#include <QEventLoop>
#include <QProgressDialog>
#include <QWidget>
#include <algorithm>

#include "input_hold.h"
#include "rebuild_progress_text.h"

namespace drovalin {
namespace {

constexpr int kSteps = 1000;

}  // namespace

JobRunner::JobRunner(QWidget* guarded, QString title, QString text)
    : guarded_(guarded), title_(std::move(title)), text_(std::move(text)) {
    quietTimer_.setSingleShot(true);
    quietTimer_.setInterval(kQuietTime);
    connect(&quietTimer_, &QTimer::timeout, this, &JobRunner::ShowProgress);
}

JobRunner::~JobRunner() { delete dialog_.data(); }

QProgressDialog* JobRunner::Dialog() const { return dialog_.data(); }

bool JobRunner::Running() const { return job_ != nullptr; }

bool JobRunner::Run(Job job) {
    QEventLoop loop;
    {
        const std::lock_guard lock(latestMutex_);
        done_ = total_ = 0;
        updatePending_ = false;
    }
    shown_ = false;
    const auto progress = [this](std::int64_t done, std::int64_t total) {
        const std::lock_guard lock(latestMutex_);
        done_ = done;
        total_ = total;
        if (updatePending_) return;
        updatePending_ = true;
        QMetaObject::invokeMethod(this, &JobRunner::ShowLatest, Qt::QueuedConnection);
    };
    const BusyCursor busy;
    qApp->installEventFilter(this);
    job_ = std::make_unique<BackgroundJob>(std::move(job), progress, [&loop] {
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    quietTimer_.start();
    if (!job_->Finished()) loop.exec();
    // The loop also ends when the program quits; the job is then of no use.
    if (!job_->Finished()) job_->Cancel();

    EndInputHold(this, quietTimer_, dialog_.data());
    const std::unique_ptr<BackgroundJob> done = std::move(job_);
    const bool cancelled = done->CancelRequested();
    done->Wait();
    return !cancelled;
}

void JobRunner::Cancel() {
    if (!job_ || job_->CancelRequested()) return;
    job_->Cancel();
    ShowLatest();
}

void JobRunner::ShowProgress() {
    if (!job_) return;
    shown_ = true;
    ShowLatest();
}

void JobRunner::ShowLatest() {
    std::int64_t done = 0;
    std::int64_t total = 0;
    {
        const std::lock_guard lock(latestMutex_);
        done = done_;
        total = total_;
        updatePending_ = false;
    }
    if (!job_ || !shown_) return;
    if (!dialog_) {
        dialog_ = NewProgressDialog(guarded_, title_, QStringLiteral("進み具合"));
        connect(dialog_, &QProgressDialog::canceled, this, &JobRunner::Cancel);
        connect(dialog_, &QDialog::rejected, this, &JobRunner::Cancel);
    }
    const bool cancelling = job_->CancelRequested();
    dialog_->setLabelText(cancelling ? RebuildProgressText::Cancelling().text : text_);
    // Without a total the bar only shows that the work goes on.
    const int maximum = cancelling || total <= 0 ? 0 : kSteps;
    dialog_->setRange(0, maximum);
    dialog_->setValue(
        maximum == 0 ? 0 : static_cast<int>(std::clamp<std::int64_t>(done * kSteps / total, 0, kSteps)));
    if (!dialog_->isVisible()) dialog_->show();
}

bool JobRunner::eventFilter(QObject* receiver, QEvent* event) {
    return job_ && HoldBackInput(receiver, event, guarded_, dialog_.data(), [this] { Cancel(); });
}

}  // namespace drovalin
