#pragma once

#include <QEvent>
#include <QString>
#include <functional>

class QObject;
class QProgressDialog;
class QTimer;
class QWidget;

namespace drovalin {

// What a window running work in the background holds back: events that are the user's input.
bool IsUserInput(QEvent::Type type);
// Whether input for receiver goes to the top-level widget top: to it or a widget inside it, or to the
// platform window that carries it (drops arrive there first).
bool BelongsTo(QObject* receiver, const QWidget* top);
// A widget or a platform window, as opposed to the application or another object.
bool IsWindowPart(QObject* receiver);

// The filter of a window running work in the background: true when the event is held back. Escape in any
// of the program's windows calls cancel; other input for the guarded window (or its actions) is dropped;
// the progress dialog gets its input.
bool HoldBackInput(QObject* receiver, QEvent* event, QWidget* guarded, const QWidget* dialog,
                   const std::function<void()>& cancel);

// The progress dialog of work in the background, with 「キャンセル」. Not modal: the event filter holds the
// window's input back, and a modal dialog would keep the window from being closed, which cancels the work
// and ends the program.
QProgressDialog* NewProgressDialog(QWidget* parent, const QString& title, const QString& barName);

// Ends what a run of background work set up: the quiet timer, the event filter, the progress dialog (which
// goes away once the events in hand are done with it).
void EndInputHold(QObject* filter, QTimer& quietTimer, QProgressDialog* dialog);

// The wait cursor for as long as the work runs; the pointer still works the dialog.
class BusyCursor {
  public:
    BusyCursor();
    ~BusyCursor();
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

}  // namespace drovalin
