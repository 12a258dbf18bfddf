// Start-up and shut-down of the main window.
#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <exception>
#include <functional>

#include "bring_to_front.h"
#include "disc_size_setting.h"
#include "form1.h"
#include "item_unit_setting.h"
#include "job_runner.h"
#include "loaded_forms.h"
#include "rebuild_runner.h"
#include "settings_files.h"
#include "unload_all_forms.h"

namespace drovalin {

namespace {

// Start-up goes on past a step that fails; the step is simply skipped.
void SkipOnFailure(const std::function<void()>& step) {
    try {
        step();
    } catch (const std::exception&) {
    }
}

}  // namespace

bool Form1::Form_Load(const QString& instanceKey) {
    LoadedForms::Load(this);
    LoadedForms::Load(splash_.Show());
    instructionLine_->setText(InstructionText());
    // The rest of start-up runs without events: the splash must be on screen, painted, before it begins.
    splash_.WaitUntilPainted();

    startingUp_ = true;
    bool secondInstance = false;
    SkipOnFailure([&] {
        instanceGuard_ = std::make_unique<SingleInstanceGuard>(instanceKey);
        if (instanceGuard_->TryBecomePrimary()) {
            instanceGuard_->Listen([this] { BringToFront(this); });
            return;
        }
        secondInstance = true;
        QApplication::beep();
        instanceGuard_->ActivatePrimary();
    });
    if (secondInstance) {
        startingUp_ = false;
        return false;
    }

    SkipOnFailure([&] { EmptyTables(); });
    SkipOnFailure([&] { unit_ = ReadItemUnitSetting(); });
    SkipOnFailure([&] { SetDiscSize(ReadDiscSizeSetting()); });
    std::optional<std::string> folder;
    SkipOnFailure([&] { folder = ReadFolderSetting(); });
    if (folder) {
        SetCurrentFolder(folder);
        std::int32_t capacity = 0;
        SkipOnFailure([&] { capacity = ReadCapacityFile(); });
        SkipOnFailure([&] { text1_->setText(QString::number(capacity)); });
        SkipOnFailure([&] { RebuildTables(); });
    }
    splash_.Hide();
    startingUp_ = false;
    return true;
}

void Form1::ShowStartupNotices() {
    const std::vector<Notice> notices = std::move(startupNotices_);
    startupNotices_.clear();
    for (const Notice& notice : notices) Warn(notice);
}

void Form1::closeEvent(QCloseEvent* event) {
    // The rebuild stops first; the window closes once it has (see RebuildTables).
    if (rebuildRunner_ || jobRunner_) {
        event->ignore();
        closeAfterRebuild_ = true;
        if (rebuildRunner_) rebuildRunner_->Cancel();
        if (jobRunner_) jobRunner_->Cancel();
        return;
    }
    event->accept();
    if (unloaded_) return;
    unloaded_ = true;
    Form_Unload();
}

void Form1::Form_Unload() {
    const SettingsWriteResult folderWrite = WriteFolderSetting(currentFolder_);
    const SettingsWriteResult capacityWrite = WriteCapacityFile(text1_->text().toStdString());
    const SettingsWriteResult unitWrite = WriteItemUnitSetting(unit_);
    const SettingsWriteResult optionsWrite = WriteDiscSizeSetting(discSize_);
    QStringList errors;
    for (const SettingsWriteResult& write : {folderWrite, capacityWrite, unitWrite, optionsWrite})
        if (!write.ok) errors << QString::fromStdString(write.error);
    if (!errors.isEmpty())
        Warn({QStringLiteral("エラー報告"),
              QStringLiteral(
                  "設定を保存できませんでした。次回の起動では今回のフォルダと容量が復元されません。\n\n") +
                  errors.join(QLatin1Char('\n'))});
    UnloadAllForms();
}

}  // namespace drovalin
