#include "input_hold.h"

#include <QAction>
#include <QApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QProgressBar>
#include <QProgressDialog>
#include <QTimer>
#include <QWidget>
#include <QWindow>

namespace drovalin {

bool IsUserInput(QEvent::Type type) {
    switch (type) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::Wheel:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
        case QEvent::DragEnter:
        case QEvent::DragMove:
        case QEvent::Drop:
        case QEvent::ContextMenu:
        case QEvent::InputMethod:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::TabletPress:
        case QEvent::TabletRelease:
        case QEvent::NativeGesture:
            return true;
        default:
            return false;
    }
}

bool BelongsTo(QObject* receiver, const QWidget* top) {
    if (top == nullptr) return false;
    if (auto* widget = qobject_cast<QWidget*>(receiver)) return widget->window() == top;
    if (auto* window = qobject_cast<QWindow*>(receiver)) return window == top->windowHandle();
    return false;
}

bool IsWindowPart(QObject* receiver) { return receiver->isWidgetType() || receiver->isWindowType(); }

bool HoldBackInput(QObject* receiver, QEvent* event, QWidget* guarded, const QWidget* dialog,
                   const std::function<void()>& cancel) {
    if (!IsUserInput(event->type()) || BelongsTo(receiver, dialog)) return false;
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape &&
        IsWindowPart(receiver)) {
        cancel();
        return true;
    }
    auto* action = qobject_cast<QAction*>(receiver);
    if (action ? !guarded->actions().contains(action) : !BelongsTo(receiver, guarded)) return false;
    // An accepted override keeps the key from being taken as a shortcut; the key itself is dropped next.
    if (event->type() == QEvent::ShortcutOverride) event->accept();
    return true;
}

QProgressDialog* NewProgressDialog(QWidget* parent, const QString& title, const QString& barName) {
    auto* dialog = new QProgressDialog(parent);
    dialog->setWindowTitle(title);
    dialog->setAccessibleName(title);
    dialog->setCancelButtonText(QStringLiteral("キャンセル"));
    dialog->setWindowModality(Qt::NonModal);
    dialog->setAutoClose(false);
    dialog->setAutoReset(false);
    dialog->setMinimumDuration(0);
    dialog->setMinimumWidth(420);
    if (auto* bar = dialog->findChild<QProgressBar*>()) bar->setAccessibleName(barName);
    return dialog;
}

void EndInputHold(QObject* filter, QTimer& quietTimer, QProgressDialog* dialog) {
    quietTimer.stop();
    qApp->removeEventFilter(filter);
    if (dialog == nullptr) return;
    dialog->disconnect(filter);
    dialog->hide();
    dialog->deleteLater();
}

BusyCursor::BusyCursor() { QGuiApplication::setOverrideCursor(Qt::BusyCursor); }

BusyCursor::~BusyCursor() { QGuiApplication::restoreOverrideCursor(); }

}  // namespace drovalin
