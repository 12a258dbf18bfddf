#include "form1.h"

#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QHeaderView>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QResizeEvent>
#include <QScopeGuard>
#include <QStyle>
#include <QTableView>
#include <algorithm>
#include <cmath>
#include <exception>
#include <filesystem>
#include <system_error>
#include <utility>

#include "combination_table_model.h"
#include "combination_table_view.h"
#include "dialog_folder_chooser.h"
#include "disc/disc_layout.h"
#include "disc/disc_tree.h"
#include "drop_notices.h"
#include "dropped_path.h"
#include "form1_plan_commands.h"
#include "form1_unit_commands.h"
#include "japanese_font.h"
#include "job_runner.h"
#include "message_box_move_dialogs.h"
#include "message_box_notifier.h"
#include "move_notices.h"
#include "moving/folder_check.h"
#include "number_column_width.h"
#include "rebuild_runner.h"
#include "search/folder_rebuild.h"
#include "tables/whole_number.h"
#include "twips.h"

static void InitResources() { Q_INIT_RESOURCE(resources); }

namespace drovalin {

namespace {

int Pixels(double twips) { return static_cast<int>(std::lround(TwipsToPixels(twips))); }

QRect PixelRect(const QRectF& twips) {
    return QRect(Pixels(twips.x()), Pixels(twips.y()), Pixels(twips.width()), Pixels(twips.height()));
}

bool IsExistingFolder(const std::string& path) {
    std::error_code error;
    return std::filesystem::is_directory(std::filesystem::path(path), error);
}

}  // namespace

Form1::Form1(QWidget* parent)
    : QWidget(parent),
      files_(std::make_shared<FileTable>()),
      combinations_(std::make_shared<CombinationTable>(files_)),
      instructionLine_(new QLabel(InstructionText(), this)),
      text1_(new QLineEdit(this)),
      grid2_(new CombinationTableView(this)),
      model_(new CombinationTableModel(this)),
      commandMenu_(new QMenu(this)),
      ownMoveDialogs_(std::make_unique<MessageBoxMoveDialogs>(this)),
      ownNotifier_(std::make_unique<MessageBoxNotifier>(this)),
      ownFolderChooser_(std::make_unique<DialogFolderChooser>()),
      moveDialogs_(ownMoveDialogs_.get()),
      notifier_(ownNotifier_.get()),
      folderChooser_(ownFolderChooser_.get()) {
    InitResources();
    setWindowTitle(QStringLiteral("Drovalin"));
    setWindowIcon(QIcon(QStringLiteral(":/drovalin/drovalin.png")));
    setAcceptDrops(true);
    resize(Pixels(kDesignedClientTwips.width()), Pixels(kDesignedClientTwips.height()));

    // The line runs across the whole strip; its leading blanks keep its words right of the capacity box,
    // which stays above it.
    instructionLine_->setFont(JapaneseGothicFont(9));
    instructionLine_->setTextFormat(Qt::PlainText);
    instructionLine_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    instructionLine_->setFocusPolicy(Qt::NoFocus);
    // Assistive technology reads the line itself; what it is for is the description.
    instructionLine_->setAccessibleDescription(QStringLiteral("使い方"));

    text1_->setGeometry(PixelRect(kCapacityBoxTwips));
    text1_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    text1_->setAccessibleName(QStringLiteral("容量（KB）"));
    text1_->setAccessibleDescription(QStringLiteral("媒体の容量をキロバイトの整数で入力します"));
    // A drop on the box is a folder for the window, not text for the box.
    text1_->setAcceptDrops(false);
    text1_->raise();

    grid2_->setModel(model_);
    grid2_->setFont(JapaneseGothicFont(9));
    grid2_->horizontalHeader()->setFont(JapaneseGothicFont(9));
    grid2_->setAccessibleName(QStringLiteral("組み合わせの一覧"));
    grid2_->setAccessibleDescription(QStringLiteral(
        "ファイル名をクリックするか Enter キーを押すと、その組み合わせのファイルを w フォルダに移動します"));
    grid2_->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid2_->setSelectionMode(QAbstractItemView::SingleSelection);
    grid2_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid2_->setWordWrap(false);
    // Tab leaves the table for the capacity box, as the tab order says; the arrow keys move between rows.
    grid2_->setTabKeyNavigation(false);
    grid2_->setTextElideMode(Qt::ElideRight);
    grid2_->setAcceptDrops(false);
    // Rows of one fixed height, so the view never measures a row to place the others.
    QHeaderView* rows = grid2_->verticalHeader();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setMinimumSectionSize(1);
    rows->setDefaultSectionSize(grid2_->fontMetrics().height() + 4);
    rows->hide();
    grid2_->horizontalHeader()->setHighlightSections(false);
    grid2_->horizontalHeader()->setSectionsClickable(false);
    FitColumns();
    grid2_->installEventFilter(this);
    grid2_->viewport()->installEventFilter(this);

    grid2_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(grid2_, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { ShowCommandMenu(grid2_->viewport()->mapTo(grid2_, at)); });

    connect(text1_, &QLineEdit::textChanged, this, &Form1::Text1_Change);
    connect(grid2_, &QTableView::clicked, this, &Form1::MSHFlexGrid2_Click);

    // Tab order: the table, then the capacity box; the table has the focus first.
    QWidget::setTabOrder(grid2_, text1_);
    grid2_->setFocus();
    Form_Resize();
    AddEverydayCommands();
    AddCommandSeparator();
    new PlanCommands(*this);
    AddCommandSeparator();
    new ItemUnitCommands(*this);
}

Form1::~Form1() = default;

QString Form1::InstructionText() {
    return QString(15, QChar(0x3000)) +
           QStringLiteral("←①サイズ入力（KB）　②ここにフォルダをドラッグ　③↓ファイル名をクリック");
}

const std::optional<std::string>& Form1::CurrentFolder() const { return currentFolder_; }

void Form1::SetCurrentFolder(std::optional<std::string> folder) {
    currentFolder_ = std::move(folder);
    UpdateEverydayCommands();
}

std::int32_t Form1::Capacity() const { return capacity_; }

QLineEdit* Form1::Text1() const { return text1_; }

QTableView* Form1::MSHFlexGrid2() const { return grid2_; }

QLabel* Form1::InstructionLine() const { return instructionLine_; }

CombinationTableModel& Form1::CombinationModel() const { return *model_; }

const FileTable& Form1::Files() const { return *files_; }

const CombinationTable& Form1::Combinations() const { return *combinations_; }

QRectF Form1::CombinationTableGeometryTwips() const { return tableTwips_; }

void Form1::SetMoveDialogs(MoveDialogs* dialogs) { moveDialogs_ = dialogs ? dialogs : ownMoveDialogs_.get(); }

MoveDialogs& Form1::MoveDialogsInUse() const { return *moveDialogs_; }

void Form1::SetNotifier(UserNotifier* notifier) { notifier_ = notifier ? notifier : ownNotifier_.get(); }

void Form1::AddCommand(QAction* action) {
    action->setShortcutContext(Qt::WindowShortcut);
    addAction(action);
    commandMenu_->addAction(action);
}

void Form1::AddCommandSeparator() { commandMenu_->addSeparator(); }

QMenu* Form1::AddCommandMenu(const QString& title) {
    QMenu* menu = commandMenu_->addMenu(title);
    menu->setAccessibleName(title);
    return menu;
}

ItemUnit Form1::Unit() const { return unit_; }

void Form1::SetItemUnit(ItemUnit unit) {
    if (unit == unit_ || rebuildRunner_ || jobRunner_) return;
    unit_ = unit;
    ReloadFolder();
}

QMenu* Form1::CommandMenu() const { return commandMenu_; }

void Form1::ShowCommandMenu(const QPoint& atTable) {
    if (commandMenu_->isEmpty()) return;
    commandMenu_->popup(grid2_->mapToGlobal(atTable));
}

void Form1::EmptyTables() {
    auto files = std::make_shared<FileTable>();
    auto combinations = std::make_shared<CombinationTable>(files);
    ShowTables(std::move(files), std::move(combinations));
}

void Form1::ShowTables(std::shared_ptr<FileTable> files, std::shared_ptr<CombinationTable> combinations) {
    files_ = std::move(files);
    combinations_ = std::move(combinations);
    movedNames_.clear();
    model_->SetTable(combinations_);
    FitColumns();
}

void Form1::RebuildTables() {
    // The window takes no input while a rebuild runs, so only a bug could start a second one.
    if (!currentFolder_ || rebuildRunner_) return;
    const std::string folder = *currentFolder_;
    RebuildResult result;
    try {
        RebuildRunner runner(
            this, [this](const RebuildProgressText& progress) { return ShowStartupProgress(progress); });
        rebuildRunner_ = &runner;
        const auto forget = qScopeGuard([this] { rebuildRunner_ = nullptr; });
        RebuildControl control;
        control.beforeMeasuring = measuringHook_;
        control.unit = unit_;
        std::int32_t capacity = capacity_;
        if (discSize_) {
            control.countedBytes = [](const std::string& name, std::int64_t bytes) {
                return DiscFileBytes(name, bytes);
            };
            control.countedFolderBytes = [](const std::string& name) { return DiscParentFolderBytes(name); };
            capacity = static_cast<std::int32_t>(std::max<std::int64_t>(capacity_ - DiscFixedKilobytes(), 0));
        }
        result = runner.Run(folder, capacity, std::move(control));
    } catch (const std::exception& error) {
        Warn(RebuildFailedNotice(folder, error.what()));
        CloseIfAsked();
        return;
    }
    CloseIfAsked();
    if (result.cancelled) return;  // the caller emptied both tables; they stay so
    ShowTables(std::move(result.files), std::move(result.combinations));
    // A remembered folder that is gone by the next start is not worth a box; one dropped now is.
    if (!result.folderOpened && !startingUp_) Warn(FolderUnreadableNotice(folder, result.folderError));
    if (!result.leftOut.empty()) Warn(LeftOutNotice(result.leftOut));
    if (!result.passedOver.empty()) Warn(PassedOverNotice(result.passedOver));
}

RebuildRunner* Form1::RunningRebuild() const { return rebuildRunner_; }

bool Form1::RunJob(const QString& title, const QString& text, Job job) {
    if (rebuildRunner_ || jobRunner_) return false;
    bool done = false;
    try {
        JobRunner runner(this, title, text);
        jobRunner_ = &runner;
        const auto forget = qScopeGuard([this] { jobRunner_ = nullptr; });
        done = runner.Run(std::move(job));
    } catch (const std::exception& error) {
        Warn({QStringLiteral("エラー報告"), QStringLiteral("%1の処理を完了できませんでした。\n\n理由: %2")
                                                .arg(title, QString::fromUtf8(error.what()))});
        done = false;
    }
    CloseIfAsked();
    return done;
}

JobRunner* Form1::RunningJob() const { return jobRunner_; }

bool Form1::Closing() const { return closing_; }

void Form1::SetMeasuringHook(std::function<void(const std::string&)> hook) {
    measuringHook_ = std::move(hook);
}

bool Form1::ShowStartupProgress(const RebuildProgressText& progress) {
    frmSplash* splash = startingUp_ ? splash_.Splash() : nullptr;
    if (!splash) return false;
    const bool cancelling = progress.text == RebuildProgressText::Cancelling().text;
    splash->ShowProgress(cancelling ? progress.text : progress.text + QStringLiteral("（Esc キーで中止）"),
                         progress.value, progress.maximum);
    return true;
}

// A close asked for during a rebuild waited for the rebuild to stop; now it goes ahead.
void Form1::CloseIfAsked() {
    if (!closeAfterRebuild_) return;
    closeAfterRebuild_ = false;
    closing_ = true;
    QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
}

void Form1::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Form_Resize();
}

void Form1::Form_Resize() {
    const QSizeF client(PixelsToTwips(width()), PixelsToTwips(height()));
    tableTwips_ = CombinationTableTwips(client);
    grid2_->setGeometry(PixelRect(tableTwips_));
    instructionLine_->setGeometry(0, 0, width(), Pixels(kTableTopTwips));
}

void Form1::dragEnterEvent(QDragEnterEvent* event) {
    if (FirstLocalPath(event->mimeData())) event->acceptProposedAction();
}

void Form1::dragMoveEvent(QDragMoveEvent* event) {
    if (FirstLocalPath(event->mimeData())) event->acceptProposedAction();
}

void Form1::dropEvent(QDropEvent* event) {
    const std::optional<std::string> path = FirstLocalPath(event->mimeData());
    if (!path) return;
    event->acceptProposedAction();
    // The drag source waits until the drop returns; let it go before a long rebuild or a message box.
    QMetaObject::invokeMethod(
        this, [this, folder = *path] { Form_OLEDragDrop(folder); }, Qt::QueuedConnection);
}

void Form1::Form_OLEDragDrop(const std::string& path) {
    // A drop queued just before a rebuild began comes too late: that rebuild owns the tables.
    if (rebuildRunner_) return;
    // Something that is not a folder would empty the tables for nothing; keep what is shown.
    if (!IsExistingFolder(path)) {
        Warn(NotAFolderNotice(path));
        return;
    }
    SetCurrentFolder(path);
    EmptyTables();
    RebuildTables();
}

void Form1::Text1_Change(const QString& text) {
    const std::optional<std::int32_t> value = ParseWholeNumber(text.toUtf8().toStdString());
    capacity_ = value.value_or(0);
    MarkCapacityBox(!value.has_value());
}

void Form1::MarkCapacityBox(bool invalid) {
    text1_->setProperty("invalid", invalid);
    QPalette palette = text1_->palette();
    palette.setColor(QPalette::Base,
                     invalid ? QColor(255, 220, 220) : QGuiApplication::palette().color(QPalette::Base));
    text1_->setPalette(palette);
    text1_->setToolTip(invalid ? QStringLiteral("容量を整数（KB）で入力してください。今は 0 として扱います。")
                               : QString());
}

void Form1::MSHFlexGrid2_Click(const QModelIndex& index) {
    if (!currentFolder_ || !index.isValid() || index.row() >= model_->rowCount()) return;
    // Every cell of a row stands for the row's combination; the names come from the table, not from the
    // cell's text, so names that hold a comma are moved whole.
    const std::vector<std::string> names = combinations_->FileNames(CombinationTableModel::EngineRow(index));
    // A copy: the confirmation box runs events, and the folder must not change under the move.
    const std::string folder = *currentFolder_;
    std::int64_t bytes = 0;
    for (const int row : combinations_->FileRows(CombinationTableModel::EngineRow(index)))
        bytes += files_->Bytes(row);
    MoveRecord record;
    MoveOptions options;
    options.summary = HeldFilesSummary(options.subfolder, FilesHeldIn(folder, options.subfolder), bytes,
                                       combinations_->Capacity());
    options.record = &record;
    MoveCombination(folder, names, *moveDialogs_, options);
    // Without a window manager nobody hands the window back its activation when a box closes, and its
    // shortcuts (Ctrl+Z among them) would wait for a click.
    activateWindow();
    if (!record.moved.empty() || !record.createdFolders.empty()) RememberMove(std::move(record));
}

void Form1::RememberMove(MoveRecord record) {
    // Every move starts from the current folder, so its sources are that folder, a separator and the name.
    const std::size_t prefix = currentFolder_ ? currentFolder_->size() + 1 : 0;
    for (const MoveRecord::Step& step : record.moved)
        if (step.from.size() > prefix) movedNames_.insert(step.from.substr(prefix));
    lastMove_ = std::move(record);
    UpdateEverydayCommands();
}

const std::optional<MoveRecord>& Form1::LastMove() const { return lastMove_; }

std::vector<bool> Form1::MovedRows() const {
    if (movedNames_.empty()) return {};
    std::vector<bool> moved(static_cast<std::size_t>(files_->Rows()), false);
    for (int row = 1; row < files_->Rows(); ++row) {
        // A move records a subfolder kept whole by its path, which the table shows with a trailing '/'.
        std::string name = files_->Name(row);
        if (!name.empty() && name.back() == '/') name.pop_back();
        moved[static_cast<std::size_t>(row)] = movedNames_.count(name) != 0;
    }
    return moved;
}

bool Form1::eventFilter(QObject* watched, QEvent* event) {
    // The names column follows the table's width, scroll bars coming and going included.
    if (watched == grid2_->viewport() && event->type() == QEvent::Resize) FitColumns();
    if (watched == grid2_ && event->type() == QEvent::KeyPress) {
        const auto* press = static_cast<QKeyEvent*>(event);
        const int key = press->key();
        if (key == Qt::Key_Menu || (key == Qt::Key_F10 && press->modifiers() == Qt::ShiftModifier)) {
            // From the keyboard the menu opens at the current row, or at the table's corner without one.
            const QRect cell = grid2_->visualRect(grid2_->currentIndex());
            const QPoint at = cell.isValid() ? cell.bottomLeft() : QPoint(0, 0);
            ShowCommandMenu(grid2_->viewport()->mapTo(grid2_, at));
            return true;
        }
        if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space) {
            const QModelIndex current = grid2_->currentIndex();
            if (current.isValid() && grid2_->selectionModel()->isRowSelected(current.row(), QModelIndex())) {
                MSHFlexGrid2_Click(current);
                return true;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

void Form1::Warn(const Notice& notice) {
    if (startingUp_)
        startupNotices_.push_back(notice);
    else
        notifier_->Warn(notice.title, notice.text);
}

// Each number column is as wide as its header and as the widest number it can hold, so no number is ever cut:
// totals stay below the capacity, free space never exceeds it, and a count never exceeds the files. The names
// column takes the rest of the table, and never less than its header.
void Form1::FitColumns() {
    QHeaderView* header = grid2_->horizontalHeader();
    const QFontMetrics metrics(header->font());
    const int margin = 2 * header->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header) + 2;
    const int capacityDigits = DecimalDigits(combinations_->Capacity());
    const int countDigits = DecimalDigits(files_->Rows() - 1);
    int numbersWidth = 0;
    for (int col = 0; col < model_->columnCount(); ++col) {
        int width = metrics.horizontalAdvance(model_->headerData(col, Qt::Horizontal).toString()) + margin;
        if (col == CombinationTable::kNamesCol) {
            width = std::max(width, grid2_->viewport()->width() - numbersWidth);
        } else {
            const int digits = col == CombinationTable::kCountCol ? countDigits : capacityDigits;
            width = std::max(width, NumberColumnWidth(*grid2_, digits));
            numbersWidth += width;
        }
        header->resizeSection(col, width);
    }
}

}  // namespace drovalin
