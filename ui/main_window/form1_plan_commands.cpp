#include "form1_plan_commands.h"

#include <QAction>
#include <QKeySequence>
#include <QMessageBox>
#include <memory>

#include "combination_table_model.h"
#include "disc/disc_tree.h"
#include "form1.h"
#include "move_notices.h"
#include "moving/folder_check.h"
#include "plan/media_plan.h"
#include "plan_window.h"

namespace drovalin {
PlanCommands::PlanCommands(Form1& form)
    : QObject(&form),
      form_(form),
      best_(new QAction(QStringLiteral("最適な組み合わせを移動…"), &form)),
      plan_(new QAction(QStringLiteral("全体の振り分け計画…"), &form)) {
    best_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_B));
    best_->setToolTip(
        QStringLiteral("すべての組み合わせの中で容量に最も近いファイルを w フォルダに移動します"));
    plan_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    plan_->setToolTip(QStringLiteral("フォルダ全体をできるだけ少ない枚数の媒体に振り分ける計画を示します"));
    connect(best_, &QAction::triggered, this, &PlanCommands::MoveBestCombination);
    connect(plan_, &QAction::triggered, this, &PlanCommands::OpenPlan);
    form_.AddCommand(best_);
    form_.AddCommand(plan_);
    // Every change of folder or capacity ends in new tables, which reset the table's model.
    connect(&form_.CombinationModel(), &QAbstractItemModel::modelReset, this, &PlanCommands::UpdateEnabled);
    UpdateEnabled();
}

QAction* PlanCommands::BestCombinationAction() const { return best_; }

QAction* PlanCommands::PlanAction() const { return plan_; }

bool PlanCommands::Available() const { return form_.CurrentFolder() && form_.Combinations().Rows() > 1; }

void PlanCommands::UpdateEnabled() {
    const bool available = Available();
    best_->setEnabled(available);
    plan_->setEnabled(available);
}

std::string PlanCommands::BestSummary(const BestCombinationResult& best, std::int32_t capacity) {
    std::string summary = "合計サイズ " + std::to_string(best.total) + " KB　空き容量 " +
                          std::to_string(std::int64_t{capacity} - best.total) + " KB";
    if (!best.exact) summary += "（探索の範囲を限ったため、最適とは限りません）";
    return summary;
}

void PlanCommands::MoveBestCombination() {
    if (!Available()) return;
    // Copies: the confirmation runs events, and neither the folder nor the table may change under the move.
    const std::string folder = *form_.CurrentFolder();
    const std::shared_ptr<const FileTable> files = form_.Combinations().SharedFiles();
    const std::int32_t capacity = form_.Combinations().Capacity();
    BestCombinationResult best;
    std::vector<std::string> changed;
    std::vector<std::string> names;
    const std::vector<bool> moved = form_.MovedRows();
    CountedBytes count;
    if (form_.DiscSize())
        count = [](const std::string& name, std::int64_t bytes) { return DiscFileBytes(name, bytes); };
    const bool done =
        form_.RunJob(QStringLiteral("最適な組み合わせ"), QStringLiteral("最適な組み合わせを探しています…"),
                     [&](const JobControl& job) {
                         best = BestCombination(*files, capacity, moved, job.stop);
                         if (job.stop.stop_requested()) return;
                         std::vector<ListedEntry> listed;
                         listed.reserve(best.rows.size());
                         for (const int row : best.rows)
                             listed.push_back({files->Name(row), files->Bytes(row)});
                         changed = FilesChangedSinceListing(folder, listed, count);
                         names.reserve(listed.size());
                         for (ListedEntry& file : listed) names.push_back(std::move(file.name));
                     });
    if (!done || best.rows.empty()) return;
    if (!changed.empty()) {
        form_.Warn({ChangedFilesTitle(), ChangedFilesText(changed)});
        return;
    }
    MoveRecord record;
    MoveOptions options;
    options.summary = BestSummary(best, capacity);
    if (const std::string held =
            HeldFilesSummary(options.subfolder, FilesHeldIn(folder, options.subfolder), best.bytes, capacity);
        !held.empty())
        options.summary += "\n" + held;
    options.record = &record;
    MoveCombination(folder, names, form_.MoveDialogsInUse(), options);
    if (!record.moved.empty() || !record.createdFolders.empty()) form_.RememberMove(std::move(record));
}

void PlanCommands::OpenPlan() {
    if (!Available()) return;
    const std::shared_ptr<const FileTable> files = form_.Combinations().SharedFiles();
    const std::int32_t capacity = form_.Combinations().Capacity();
    MediaPlan plan;
    const std::vector<bool> moved = form_.MovedRows();
    const bool done =
        form_.RunJob(QStringLiteral("振り分け計画"), QStringLiteral("振り分け計画を立てています…"),
                     [&](const JobControl& job) {
                         plan = PlanMedia(*files, capacity, moved, PlanControl{job.progress, job.stop});
                     });
    // A cancelled plan is still a valid plan, only not as good as it could be: the user may keep it.
    if (!done && (!plan.cancelled || plan.media.empty() || form_.Closing() ||
                  QMessageBox::question(
                      &form_, QStringLiteral("振り分け計画"),
                      QStringLiteral("計画を途中で止めました。ここまでに見つかった計画を表示しますか？\n"
                                     "（媒体の枚数が最少とは限りません）"),
                      QMessageBox::Yes | QMessageBox::No, QMessageBox::No) != QMessageBox::Yes))
        return;
    auto* window = new PlanWindow(*form_.CurrentFolder(), files, std::move(plan), &form_);
    if (form_.DiscSize()) window->SetDiscCount(DiscFixedKilobytes());
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowModality(Qt::WindowModal);
    window->SetMoveRecorder([form = &form_](MoveRecord record) { form->RememberMove(std::move(record)); });
    window->show();
}

}  // namespace drovalin
