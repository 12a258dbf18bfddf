#include "plan_window.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QStringList>
#include <QTableView>
#include <QVBoxLayout>

#include "disc/disc_tree.h"
#include "fill_bar_delegate.h"
#include "japanese_font.h"
#include "media_plan_model.h"
#include "message_box_split_dialogs.h"
#include "ok_message_box.h"
#include "plan/plan_csv.h"

namespace drovalin {
namespace {

// The summary line names at most this many of the files that fit on no medium.
constexpr int kTooLargeNamed = 5;

QString Decoded(const std::string& bytes) {
    return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

QPushButton* Button(const QString& text, const QString& description) {
    auto* button = new QPushButton(text);
    button->setAccessibleName(text);
    button->setAccessibleDescription(description);
    // Enter in the table must not start a move or a split by itself.
    button->setAutoDefault(false);
    return button;
}

}  // namespace

PlanWindow::PlanWindow(std::string folder, std::shared_ptr<const FileTable> files, MediaPlan plan,
                       QWidget* parent)
    : QDialog(parent),
      folder_(std::move(folder)),
      model_(new MediaPlanModel(std::move(files), std::move(plan), this)),
      summary_(new QLabel(this)),
      table_(new QTableView(this)),
      move_(Button(QString(), QStringLiteral("選んだ媒体のファイルを、確認のあと媒体の番号の新しいフォルダ"
                                             "（媒体 3 なら w3）に移動します"))),
      split_(Button(QStringLiteral("すべてフォルダに分ける"),
                    QStringLiteral("確認のあと、媒体ごとのファイルを新しいフォルダ w1、w2… に移動します"))),
      save_(Button(QStringLiteral("保存…"), QStringLiteral("計画を CSV ファイルに保存します"))),
      images_(Button(
          QStringLiteral("ディスクイメージを作成…"),
          QStringLiteral("まだ移動していない媒体ごとに、選んだフォルダへディスクイメージ w1.iso、w2.iso… を"
                         "作ります。ファイルは移動も変更もしません"))),
      ownSplitDialogs_(std::make_unique<MessageBoxSplitDialogs>(this)),
      splitDialogs_(ownSplitDialogs_.get()) {
    setWindowTitle(QStringLiteral("振り分け計画"));
    setAccessibleName(windowTitle());
    setSizeGripEnabled(true);

    summary_->setText(SummaryText(model_->Plan(), model_->Files()));
    summary_->setTextFormat(Qt::PlainText);
    summary_->setWordWrap(true);
    summary_->setAccessibleName(summary_->text());

    table_->setModel(model_);
    table_->setFont(JapaneseGothicFont(9));
    table_->horizontalHeader()->setFont(JapaneseGothicFont(9));
    table_->setAccessibleName(QStringLiteral("媒体の一覧"));
    table_->setAccessibleDescription(
        QStringLiteral("媒体ごとに、合計サイズ、ファイル数、空き容量とファイル名を示します"));
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setWordWrap(false);
    table_->setTextElideMode(Qt::ElideRight);
    table_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().height() + 4);
    table_->verticalHeader()->hide();
    table_->horizontalHeader()->setHighlightSections(false);
    table_->horizontalHeader()->setSectionsClickable(false);
    table_->horizontalHeader()->setStretchLastSection(true);
    table_->setItemDelegateForColumn(MediaPlanModel::kFillCol,
                                     new FillBarDelegate(MediaPlanModel::kFillRole, table_));
    for (int col = 0; col < MediaPlanModel::kNamesCol; ++col)
        table_->horizontalHeader()->setSectionResizeMode(col, QHeaderView::ResizeToContents);

    auto* close = Button(QStringLiteral("閉じる"), QStringLiteral("この画面を閉じます"));
    connect(move_, &QPushButton::clicked, this, &PlanWindow::MoveSelectedMedium);
    connect(split_, &QPushButton::clicked, this, &PlanWindow::SplitAll);
    connect(save_, &QPushButton::clicked, this, &PlanWindow::Save);
    connect(images_, &QPushButton::clicked, this, &PlanWindow::WriteDiscImages);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    connect(table_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &PlanWindow::UpdateButtons);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(move_);
    buttons->addWidget(split_);
    buttons->addWidget(save_);
    buttons->addWidget(images_);
    buttons->addStretch();
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(summary_);
    layout->addWidget(table_, 1);
    layout->addLayout(buttons);

    resize(760, 420);
    if (model_->rowCount() > 0) table_->selectRow(0);
    table_->setFocus();
    UpdateButtons();
}

PlanWindow::~PlanWindow() = default;

void PlanWindow::SetSplitDialogs(SplitDialogs* dialogs) {
    splitDialogs_ = dialogs ? dialogs : ownSplitDialogs_.get();
}

void PlanWindow::SetMoveRecorder(std::function<void(MoveRecord)> recorder) {
    recorder_ = std::move(recorder);
}

QLabel* PlanWindow::SummaryLine() const { return summary_; }

QTableView* PlanWindow::MediaTable() const { return table_; }

MediaPlanModel& PlanWindow::Model() const { return *model_; }

QPushButton* PlanWindow::MoveButton() const { return move_; }

QPushButton* PlanWindow::SplitButton() const { return split_; }

QPushButton* PlanWindow::SaveButton() const { return save_; }

QPushButton* PlanWindow::ImagesButton() const { return images_; }

void PlanWindow::SetDiscCount(std::int64_t fixedKilobytes) {
    fixedKilobytes_ = fixedKilobytes;
    summary_->setText(
        SummaryText(model_->Plan(), model_->Files()) +
        QStringLiteral("　ディスクイメージの固定部分 %1 KB を容量から差し引いています").arg(fixedKilobytes));
    summary_->setAccessibleName(summary_->text());
}

QString PlanWindow::SummaryText(const MediaPlan& plan, const FileTable& files) {
    // Optimal only when a proven lower bound says so; otherwise the bound and how far the plan may be off.
    const auto media = static_cast<std::int64_t>(plan.media.size());
    const QString quality =
        plan.ProvenOptimal()
            ? QStringLiteral("最適（証明済み）")
            : QStringLiteral("下限 %1 枚、差 %2 枚").arg(plan.provenBound).arg(media - plan.provenBound);
    QString text = QStringLiteral("%1媒体 %2 枚（%3）　容量 %4 KB　媒体に入らないファイル ")
                       .arg(plan.cancelled ? QStringLiteral("途中で止めた計画：") : QString())
                       .arg(media)
                       .arg(quality)
                       .arg(plan.capacity);
    if (plan.tooLarge.empty()) return text + QStringLiteral("なし");
    QStringList names;
    for (std::size_t i = 0; i < plan.tooLarge.size() && i < static_cast<std::size_t>(kTooLargeNamed); ++i)
        names << Decoded(files.Name(plan.tooLarge[i]));
    if (plan.tooLarge.size() > static_cast<std::size_t>(kTooLargeNamed))
        names << QStringLiteral("ほか %1 個")
                     .arg(plan.tooLarge.size() - static_cast<std::size_t>(kTooLargeNamed));
    return text +
           QStringLiteral("%1 個（%2）").arg(plan.tooLarge.size()).arg(names.join(QStringLiteral("、")));
}

void PlanWindow::MoveSelectedMedium() {
    const QModelIndexList selected = table_->selectionModel()->selectedRows();
    if (selected.isEmpty() || model_->IsMoved(selected.front().row())) return;
    Split({selected.front().row()});
}

void PlanWindow::SplitAll() {
    std::vector<int> media;
    for (int medium = 0; medium < model_->rowCount(); ++medium)
        if (!model_->IsMoved(medium)) media.push_back(medium);
    if (!media.empty()) Split(media);
}

void PlanWindow::Split(const std::vector<int>& numbers) {
    std::vector<SplitMedium> media;
    for (const int medium : numbers) {
        SplitMedium split{SplitSubfolderName(static_cast<std::size_t>(medium)), model_->Names(medium), {}};
        for (const int row : model_->Plan().media.at(static_cast<std::size_t>(medium)).rows)
            split.bytes.push_back(model_->Files().Bytes(row));
        media.push_back(std::move(split));
    }
    MoveRecord record;
    CountedBytes count;
    if (fixedKilobytes_ > 0)
        count = [](const std::string& name, std::int64_t bytes) { return DiscFileBytes(name, bytes); };
    SplitIntoSubfolders(folder_, media, *splitDialogs_, &record, count);
    // Files move medium by medium, in order, so the count of moved files tells how far the split came.
    std::size_t moved = record.moved.size();
    for (std::size_t i = 0; i < media.size() && moved > 0; ++i) {
        const bool whole = moved >= media[i].names.size();
        model_->MarkMoved(numbers[i], media[i].subfolder, whole);
        moved -= whole ? media[i].names.size() : moved;
    }
    Remember(std::move(record));
    UpdateButtons();
}

void PlanWindow::Save() {
    QFileDialog dialog(this, QStringLiteral("振り分け計画を保存"),
                       QDir::homePath() + QStringLiteral("/振り分け計画.csv"),
                       QStringLiteral("CSV ファイル (*.csv)"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("csv"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    const QString path = dialog.selectedFiles().front();
    const std::string error = SaveTo(QFile::encodeName(path).toStdString());
    if (error.empty()) return;
    ShowOkMessageBox(
        this, QStringLiteral("保存できませんでした"),
        QStringLiteral("振り分け計画を「%1」に保存できませんでした。\n%2").arg(path, Decoded(error)),
        QMessageBox::Warning);
}

std::string PlanWindow::SaveTo(const std::string& path) const {
    return WriteFileReplacing(path, PlanCsvText(model_->Plan(), model_->Files()));
}

void PlanWindow::UpdateButtons() {
    const QModelIndexList selected = table_->selectionModel()->selectedRows();
    move_->setEnabled(!selected.isEmpty() && !model_->IsMoved(selected.front().row()));
    const QString target =
        selected.isEmpty()
            ? QStringLiteral("新しいフォルダ")
            : QString::fromStdString(SplitSubfolderName(static_cast<std::size_t>(selected.front().row())));
    move_->setText(QStringLiteral("選んだ媒体を %1 に移動…").arg(target));
    move_->setAccessibleName(move_->text());
    bool anyLeft = false;
    for (int medium = 0; medium < model_->rowCount() && !anyLeft; ++medium)
        anyLeft = !model_->IsMoved(medium);
    split_->setEnabled(anyLeft);
    images_->setEnabled(anyLeft);
}

void PlanWindow::Remember(MoveRecord record) {
    if (recorder_ && (!record.moved.empty() || !record.createdFolders.empty())) recorder_(std::move(record));
}

}  // namespace drovalin
