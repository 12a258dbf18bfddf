#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "listing/rebuild_control.h"
#include "rebuild_progress_text.h"
#include "search/background_rebuild.h"
#include "search/folder_rebuild.h"

class QProgressDialog;
class QWidget;

namespace drovalin {

// Runs one rebuild on the engine's threads while the window's thread goes on processing events, so the
// windows stay painted; to its caller the call is synchronous. While it runs, the guarded window takes no
// input: clicks, keys, wheel turns, drops and shortcuts aimed at it are dropped, and Escape cancels. A
// rebuild that takes longer than kQuietTime shows its progress, on the splash when one takes it, else in a
// progress dialog with a 「キャンセル」 button.
class RebuildRunner : public QObject {
    Q_OBJECT

  public:
    static constexpr int kQuietTime = 500;  // milliseconds before progress is shown

    // Shows progress somewhere else than the dialog (the splash during start-up); returns false when it
    // cannot (the splash is gone), and the dialog takes over.
    using ProgressSink = std::function<bool(const RebuildProgressText&)>;

    // guarded is the window whose input is held back; it parents the dialog.
    explicit RebuildRunner(QWidget* guarded, ProgressSink sink = {});
    ~RebuildRunner() override;

    // Runs to the end or until cancelled and returns the result (cancelled, with empty tables, if so);
    // rethrows what the rebuild threw. The control's thread counts and hook are used; its progress and stop
    // are the runner's own.
    RebuildResult Run(const std::string& folder, std::int32_t capacity, RebuildControl control = {});
    // Asks the running rebuild to stop; Run then returns soon.
    void Cancel();
    // The progress dialog while it is shown, else nullptr.
    QProgressDialog* Dialog() const;

  protected:
    bool eventFilter(QObject* receiver, QEvent* event) override;

  private:
    void ShowProgress();
    void ShowLatest();

    QWidget* guarded_;
    ProgressSink sink_;
    std::unique_ptr<BackgroundRebuild> rebuild_;
    QTimer quietTimer_;
    bool shown_ = false;
    QPointer<QProgressDialog> dialog_;

    std::mutex latestMutex_;  // the progress callback writes from the rebuild's threads
    RebuildProgress latest_;
    bool updatePending_ = false;
};

}  // namespace drovalin
