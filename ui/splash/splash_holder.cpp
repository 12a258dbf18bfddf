#include "splash_holder.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QTimer>
#include <QWindow>

namespace drovalin {

SplashHolder::~SplashHolder() { delete splash_.data(); }

frmSplash* SplashHolder::Show() {
    if (!splash_) splash_ = new frmSplash;
    splash_->show();
    splash_->raise();
    splash_->activateWindow();
    return splash_.data();
}

void SplashHolder::WaitUntilPainted(std::chrono::milliseconds limit) {
    QTimer expired;
    expired.setSingleShot(true);
    expired.start(limit);
    // A window manager maps the window in its own time; until then the splash has nothing to paint on. The
    // timer wakes the wait when nothing else comes. The user may close the splash meanwhile.
    const auto waiting = [this, &expired] {
        return splash_ && splash_->isVisible() && splash_->windowHandle() != nullptr &&
               !splash_->windowHandle()->isExposed() && expired.isActive();
    };
    while (waiting()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    // Paints what is now exposed and makes sure the window system has drawn it.
    QGuiApplication::sync();
}

void SplashHolder::Hide() {
    if (splash_) splash_->hide();
}

}  // namespace drovalin
