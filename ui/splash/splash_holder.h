#pragma once

#include <QPointer>

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
    // Hides the splash if it is still loaded; it stays loaded.
    void Hide();
    // The splash while it is loaded, otherwise nullptr.
    frmSplash* Splash() const { return splash_.data(); }

  private:
    QPointer<frmSplash> splash_;
};

}  // namespace drovalin
