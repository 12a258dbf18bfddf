#pragma once

#include <QPointer>
#include <chrono>

#include "frm_splash.h"

namespace drovalin {

// Owns the splash for the window that shows it during start-up. The user may close the splash at any time,
// which destroys it; hiding it afterwards then does nothing.
class SplashHolder {
  public:
    SplashHolder() = default;
    SplashHolder(const SplashHolder&) = delete;
    SplashHolder& operator=(const SplashHolder&) = delete;
    ~SplashHolder();

    // Creates the splash when none is loaded (filling its labels), shows it without blocking and brings it to
    // the front. Returns the splash.
    frmSplash* Show();
    // Waits until the window system shows the splash, at most limit, then lets it paint, so that work which
    // runs without events does not begin behind an empty rectangle. The limit keeps a window system that
    // never shows it from stalling the caller.
    void WaitUntilPainted(std::chrono::milliseconds limit = std::chrono::milliseconds(1000));
    // Hides the splash if it is still loaded; it stays loaded.
    void Hide();
    // The splash while it is loaded, otherwise nullptr.
    frmSplash* Splash() const { return splash_.data(); }

  private:
    QPointer<frmSplash> splash_;
};

}  // namespace drovalin
