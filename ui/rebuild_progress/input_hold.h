#pragma once

#include <QEvent>

class QObject;
class QWidget;

namespace drovalin {

// What a window running work in the background holds back: events that are the user's input.
bool IsUserInput(QEvent::Type type);
// Whether input for receiver goes to the top-level widget top: to it or a widget inside it, or to the
// platform window that carries it (drops arrive there first).
bool BelongsTo(QObject* receiver, const QWidget* top);
// A widget or a platform window, as opposed to the application or another object.
bool IsWindowPart(QObject* receiver);

}  // namespace drovalin
