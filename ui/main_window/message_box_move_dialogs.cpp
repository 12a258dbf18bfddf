#include "message_box_move_dialogs.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QStringList>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>

#include "move_names_model.h"
#include "names_table_view.h"
#include "ok_message_box.h"

namespace {

const QString kConfirmTitle = QStringLiteral("これらのファイルを移動します");
const QString kErrorTitle = QStringLiteral("エラー報告");

QString Decoded(const std::string& bytes) {
    return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

// Names measured for the list's width: the longest in bytes, which are nearly always the widest. A wider name
// is shortened in its middle and shown whole in its tooltip.
constexpr std::size_t kNamesMeasured = 32;

int WidestName(const QFontMetrics& metrics, const std::vector<std::string>& names) {
    std::vector<const std::string*> longest;
    longest.reserve(std::min(names.size(), kNamesMeasured));
    const auto longer = [](const std::string* a, const std::string* b) { return a->size() > b->size(); };
    // Only byte lengths are looked at for every name; shaping text is what costs.
    for (const std::string& name : names) {
        if (longest.size() < kNamesMeasured) {
            longest.push_back(&name);
            std::push_heap(longest.begin(), longest.end(), longer);
        } else if (name.size() > longest.front()->size()) {
            std::pop_heap(longest.begin(), longest.end(), longer);
            longest.back() = &name;
            std::push_heap(longest.begin(), longest.end(), longer);
        }
    }
    int widest = 0;
    for (const std::string* name : longest)
        widest = std::max(widest, metrics.horizontalAdvance(Decoded(*name)));
    return widest;
}

// The list grows with its names up to three quarters of the screen, and scrolls beyond that.
QSize ListSize(const QTableView& list, const std::vector<std::string>& names, const QScreen* screen) {
    const QFontMetrics metrics(list.font());
    const int widest = WidestName(metrics, names);
    const int frame = 2 * list.frameWidth();
    const int scrollBar = list.verticalScrollBar()->sizeHint().width();
    const int rowHeight = list.verticalHeader()->defaultSectionSize();
    const qint64 rows = std::max<qint64>(1, static_cast<qint64>(names.size()));
    const QSize room = screen->availableGeometry().size() * 3 / 4;
    const qint64 height = std::min<qint64>(rows * rowHeight + frame, room.height());
    return {std::min(widest + 2 * metrics.averageCharWidth() + frame + scrollBar, room.width()),
            static_cast<int>(height)};
}

void ShowError(QWidget* parent, const QString& text) {
    ShowOkMessageBox(parent, kErrorTitle, text, QMessageBox::NoIcon);
}

}  // namespace

MessageBoxMoveDialogs::MessageBoxMoveDialogs(QWidget* parent) : parent_(parent) {}

// A plain message box cuts a long prompt and lays out every line before it opens, so the names sit in a list
// view over the names themselves: rows of one height are placed without being measured, and only the rows
// on screen are ever decoded. The buttons are laid out by hand: a button box would put Cancel first on some
// desktops.
bool MessageBoxMoveDialogs::ConfirmMove(const std::vector<std::string>& names, const std::string& summary) {
    QDialog dialog(parent_);
    dialog.setWindowTitle(kConfirmTitle);
    dialog.setAccessibleName(kConfirmTitle);

    drovalin::MoveNamesModel model(names);
    // Rows of one fixed height: placing a million rows costs no more than a few.
    auto* list = new NamesTableView;
    list->horizontalHeader()->hide();
    list->horizontalHeader()->setStretchLastSection(true);
    list->verticalHeader()->hide();
    list->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    list->verticalHeader()->setMinimumSectionSize(1);
    list->verticalHeader()->setDefaultSectionSize(list->fontMetrics().height() + 4);
    // Only now the rows: a new row height would otherwise be announced for every row.
    list->setModel(&model);
    list->setShowGrid(false);
    list->setWordWrap(false);
    list->setTabKeyNavigation(false);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setTextElideMode(Qt::ElideMiddle);
    list->setAccessibleName(QStringLiteral("移動するファイル"));
    list->setAccessibleDescription(QStringLiteral("%1 個のファイル").arg(names.size()));
    QSize listSize = ListSize(*list, names, parent_ != nullptr ? parent_->screen() : dialog.screen());
    // Wide enough for the title bar to show the whole title beside its buttons.
    listSize.setWidth(
        std::max(listSize.width(), dialog.fontMetrics().horizontalAdvance(kConfirmTitle) + 160));
    list->setMinimumSize(listSize);

    auto* ok = new QPushButton(QStringLiteral("OK"));
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("キャンセル"));
    QObject::connect(ok, &QPushButton::clicked, &dialog, &QDialog::accept);
    QObject::connect(cancel, &QPushButton::clicked, &dialog, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(&dialog);
    // Never smaller than the list, however a window system would size a new window.
    layout->setSizeConstraint(QLayout::SetMinimumSize);
    if (!summary.empty()) {
        auto* heading = new QLabel(Decoded(summary));
        heading->setTextFormat(Qt::PlainText);
        layout->addWidget(heading);
    }
    layout->addWidget(list);
    layout->addLayout(buttons);
    // The tab order follows the reading order: names, then the buttons.
    QWidget::setTabOrder(list, ok);
    QWidget::setTabOrder(ok, cancel);

    ok->setFocus();
    return dialog.exec() == QDialog::Accepted;
}

void MessageBoxMoveDialogs::ReportMoveFailure() { ShowError(parent_, MoveFailureText()); }

void MessageBoxMoveDialogs::ReportMoveFailureAt(const std::string& name, const std::string& reason) {
    ShowError(
        parent_,
        MoveFailureText() +
            QStringLiteral("\n\n止まったファイル：「%1」\n理由：%2").arg(Decoded(name), Decoded(reason)));
}

QString MessageBoxMoveDialogs::MoveFailureText() {
    return QStringList{
        QStringLiteral("ファイルの移動に失敗したようです。使用中のファイルがないか調べてください。"),
        QStringLiteral("また現在のところファイル名に,（コンマ）が含まれている場合は移動に失敗"
                       "します。（手抜きです。）"),
        QStringLiteral("とりあえずBrenmoorixホームページに,（コンマ）を含むファイルを検索して"
                       "自動で消去するソフトがあります"),
    }
        .join(QLatin1Char('\n'));
}

void MessageBoxMoveDialogs::ReportSubfolderFailure(const std::string& detail) {
    ShowError(parent_,
              QStringLiteral("移動先のフォルダ「w」を用意できなかったため、ファイルは移動していません。\n") +
                  Decoded(detail));
}
