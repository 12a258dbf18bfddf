// The plan window's disc images: one per medium not moved yet, written on the engine's thread while a
// progress dialog shows how far it is.
#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QProgressDialog>
#include <QTimer>
#include <atomic>
#include <mutex>

#include "disc/disc_image_set.h"
#include "media_plan_model.h"
#include "ok_message_box.h"
#include "plan_window.h"

namespace drovalin {

namespace {

QString FromBytes(const std::string& bytes) {
    return QString::fromUtf8(bytes.data(), qsizetype(bytes.size()));
}

}  // namespace

void PlanWindow::WriteDiscImages() {
    const QString target =
        QFileDialog::getExistingDirectory(this, QStringLiteral("ディスクイメージの保存先"), QDir::homePath());
    if (target.isEmpty()) return;
    const QString message = WriteDiscImagesTo(QFile::encodeName(target).toStdString());
    if (message.isEmpty()) return;
    ShowOkMessageBox(this, QStringLiteral("ディスクイメージ"), message, QMessageBox::Warning);
}

QString PlanWindow::WriteDiscImagesTo(const std::string& target) {
    const MediaPlan& plan = model_->Plan();
    std::vector<DiscMedium> media;
    for (int m = 0; m < model_->rowCount(); ++m) {
        if (model_->IsMoved(m)) continue;
        DiscMedium medium{m + 1, {}};
        for (const std::string& name : model_->Names(m)) medium.items.push_back(DiscItemOfName(name));
        media.push_back(std::move(medium));
    }
    if (media.empty()) return {};
    // The plan's totals stay below its capacity; an image may fill the medium to the last byte.
    const std::int64_t capacityBytes = (std::int64_t{plan.capacity} + fixedKilobytes_) * 1024;
    const std::string prefix = QFileInfo(FromBytes(folder_)).fileName().toStdString();

    struct Shared {
        std::mutex lock;
        int index = 0, count = 0;
        std::int64_t written = 0, total = 0;
    };
    auto shared = std::make_shared<Shared>();
    std::atomic<bool> cancel{false};
    std::future<DiscSetResult> job = StartWritingDiscImages(
        folder_, std::move(media), prefix, capacityBytes, target,
        [shared](int index, int count, std::int64_t written, std::int64_t total) {
            std::lock_guard guard(shared->lock);
            shared->index = index;
            shared->count = count;
            shared->written = written;
            shared->total = total;
        },
        cancel);

    QProgressDialog progress(QStringLiteral("ディスクイメージを作成しています…"),
                             QStringLiteral("キャンセル"), 0, 1000, this);
    progress.setWindowTitle(QStringLiteral("ディスクイメージの作成"));
    progress.setAccessibleName(progress.windowTitle());
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(500);
    progress.setAutoClose(false);
    progress.setAutoReset(false);
    QEventLoop loop;
    QTimer timer;
    connect(&timer, &QTimer::timeout, &loop, [&] {
        if (progress.wasCanceled()) cancel = true;
        if (job.wait_for(std::chrono::seconds(0)) == std::future_status::ready) {
            loop.quit();
            return;
        }
        std::lock_guard guard(shared->lock);
        if (shared->count == 0 || shared->total == 0) return;
        progress.setLabelText(QStringLiteral("w%1.iso を作成しています（%2 / %3 枚目）")
                                  .arg(shared->index + 1)
                                  .arg(shared->index + 1)
                                  .arg(shared->count));
        progress.setValue(static_cast<int>(shared->written * 1000 / shared->total));
    });
    timer.start(50);
    loop.exec();
    progress.close();
    const DiscSetResult result = job.get();
    if (result.cancelled)
        return QStringLiteral(
                   "キャンセルしました。作りかけのイメージは削除しました。完成したイメージ %1 "
                   "個は残っています。")
            .arg(result.written.size());
    if (!result.error.empty()) {
        QString text = FromBytes(result.error);
        if (!result.written.empty())
            text += QStringLiteral("\n完成したイメージ %1 個は残っています。").arg(result.written.size());
        return text;
    }
    return {};
}

}  // namespace drovalin
