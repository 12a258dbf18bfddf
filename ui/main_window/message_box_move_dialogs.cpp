#include "message_box_move_dialogs.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStringList>
#include <QVBoxLayout>

#include <algorithm>

namespace {

const QString kConfirmTitle = QStringLiteral("これらのファイルを移動します");
const QString kErrorTitle = QStringLiteral("エラー報告");

QString Decoded(const std::string& bytes) {
    return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

void ShowError(QWidget* parent, const QString& text) {
    QMessageBox box(parent);
    box.setWindowTitle(kErrorTitle);
    box.setAccessibleName(kErrorTitle);
    box.setIcon(QMessageBox::NoIcon);
    box.setTextFormat(Qt::PlainText);
    box.setText(text);
    box.setStandardButtons(QMessageBox::Ok);
    box.button(QMessageBox::Ok)->setAccessibleName(QStringLiteral("OK"));
    box.exec();
}

}  // namespace

MessageBoxMoveDialogs::MessageBoxMoveDialogs(QWidget* parent) : parent_(parent) {}

// A plain message box cuts a long prompt, so the names sit in a scroll area that grows with the list up to
// a bound and scrolls beyond it. The buttons are laid out by hand: a button box would put Cancel first on
// some desktops.
bool MessageBoxMoveDialogs::ConfirmMove(const std::vector<std::string>& names, const std::string& summary) {
    QStringList lines;
    lines.reserve(static_cast<qsizetype>(names.size()));
    for (const std::string& name : names) lines << Decoded(name);

    QDialog dialog(parent_);
    dialog.setWindowTitle(kConfirmTitle);
    dialog.setAccessibleName(kConfirmTitle);
    // Wide enough for the title bar to show the whole title beside its buttons.
    dialog.setMinimumWidth(dialog.fontMetrics().horizontalAdvance(kConfirmTitle) + 160);

    auto* list = new QLabel(lines.join(QLatin1Char('\n')));
    list->setTextFormat(Qt::PlainText);
    list->setTextInteractionFlags(Qt::TextSelectableByMouse);
    list->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    list->setAccessibleName(QStringLiteral("移動するファイル"));

    auto* scroll = new QScrollArea;
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setWidget(list);
    scroll->setAccessibleName(QStringLiteral("移動するファイルの一覧"));
    const QScreen* screen = parent_ != nullptr ? parent_->screen() : dialog.screen();
    const QSize room = screen->availableGeometry().size() * 3 / 4;
    const QSize wanted = list->sizeHint() + QSize(scroll->verticalScrollBar()->sizeHint().width(), 0);
    scroll->setMinimumSize(std::min(wanted.width(), room.width()), std::min(wanted.height(), room.height()));

    auto* ok = new QPushButton(QStringLiteral("OK"));
    ok->setAccessibleName(QStringLiteral("OK"));
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("キャンセル"));
    cancel->setAccessibleName(QStringLiteral("キャンセル"));
    QObject::connect(ok, &QPushButton::clicked, &dialog, &QDialog::accept);
    QObject::connect(cancel, &QPushButton::clicked, &dialog, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(&dialog);
    if (!summary.empty()) {
        auto* heading = new QLabel(Decoded(summary));
        heading->setTextFormat(Qt::PlainText);
        heading->setAccessibleName(heading->text());
        layout->addWidget(heading);
    }
    layout->addWidget(scroll);
    layout->addLayout(buttons);

    ok->setFocus();
    return dialog.exec() == QDialog::Accepted;
}

void MessageBoxMoveDialogs::ReportMoveFailure() {
    ShowError(
        parent_,
        QStringList{
            QStringLiteral("ファイルの移動に失敗したようです。使用中のファイルがないか調べてください。"),
            QStringLiteral("また現在のところファイル名に,（コンマ）が含まれている場合は移動に失敗"
                           "します。（手抜きです。）"),
            QStringLiteral("とりあえずBrenmoorixホームページに,（コンマ）を含むファイルを検索して"
                           "自動で消去するソフトがあります"),
        }
            .join(QLatin1Char('\n')));
}

void MessageBoxMoveDialogs::ReportSubfolderFailure(const std::string& detail) {
    ShowError(parent_,
              QStringLiteral("移動先のフォルダ「w」を用意できなかったため、ファイルは移動していません。\n") +
                  Decoded(detail));
}
