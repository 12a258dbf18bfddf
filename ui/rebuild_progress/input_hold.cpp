#include "input_hold.h"

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

}  // namespace drovalin
