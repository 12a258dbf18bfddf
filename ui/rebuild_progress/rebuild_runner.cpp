#include "rebuild_runner.h"

#include "input_hold.h"

#include <QApplication>
#include <QEventLoop>
#include <QProgressDialog>
#include <QWidget>

namespace drovalin {

RebuildRunner::RebuildRunner(QWidget* guarded, ProgressSink sink)
    : guarded_(guarded), sink_(std::move(sink)) {
    quietTimer_.setSingleShot(true);
    quietTimer_.setInterval(kQuietTime);
    connect(&quietTimer_, &QTimer::timeout, this, &RebuildRunner::ShowProgress);
}

RebuildRunner::~RebuildRunner() { delete dialog_.data(); }

QProgressDialog* RebuildRunner::Dialog() const { return dialog_.data(); }

RebuildResult RebuildRunner::Run(const std::string& folder, std::int32_t capacity, RebuildControl control) {
    QEventLoop loop;
    {
        const std::lock_guard lock(latestMutex_);
        latest_ = {};
        updatePending_ = false;
    }
    shown_ = false;
    control.progress = [this](const RebuildProgress& progress) {
        const std::lock_guard lock(latestMutex_);
        latest_ = progress;
        if (updatePending_) return;
        updatePending_ = true;
        QMetaObject::invokeMethod(this, &RebuildRunner::ShowLatest, Qt::QueuedConnection);
    };
    const BusyCursor busy;
    qApp->installEventFilter(this);
    rebuild_ = std::make_unique<BackgroundRebuild>(folder, capacity, std::move(control), [&loop] {
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    quietTimer_.start();
    if (!rebuild_->Finished()) loop.exec();
    // The loop also ends when the program quits; the rebuild is then of no use.
    if (!rebuild_->Finished()) rebuild_->Cancel();

    EndInputHold(this, quietTimer_, dialog_.data());
    const std::unique_ptr<BackgroundRebuild> done = std::move(rebuild_);
    return done->TakeResult();
}

void RebuildRunner::Cancel() {
    if (!rebuild_ || rebuild_->CancelRequested()) return;
    rebuild_->Cancel();
    ShowLatest();
}

void RebuildRunner::ShowProgress() {
    if (!rebuild_) return;
    shown_ = true;
    ShowLatest();
}

void RebuildRunner::ShowLatest() {
    RebuildProgress progress;
    {
        const std::lock_guard lock(latestMutex_);
        progress = latest_;
        updatePending_ = false;
    }
    if (!rebuild_ || !shown_) return;
    const RebuildProgressText text =
        rebuild_->CancelRequested() ? RebuildProgressText::Cancelling() : RebuildProgressText::From(progress);
    if (!dialog_ && sink_ && sink_(text)) return;
    if (!dialog_) {
        dialog_ = NewProgressDialog(guarded_, QStringLiteral("フォルダの読み込み"),
                                    QStringLiteral("読み込みの進み具合"));
        connect(dialog_, &QProgressDialog::canceled, this, &RebuildRunner::Cancel);
        connect(dialog_, &QDialog::rejected, this, &RebuildRunner::Cancel);
    }
    dialog_->setLabelText(text.text);
    dialog_->setRange(0, text.maximum);
    dialog_->setValue(text.value);
    if (!dialog_->isVisible()) dialog_->show();
}

bool RebuildRunner::eventFilter(QObject* receiver, QEvent* event) {
    // Escape in any of the program's windows (the splash during start-up) stops the rebuild.
    return rebuild_ && HoldBackInput(receiver, event, guarded_, dialog_.data(), [this] { Cancel(); });
}

}  // namespace drovalin
