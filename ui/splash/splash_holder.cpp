#include "splash_holder.h"

namespace drovalin {

SplashHolder::~SplashHolder() { delete splash_.data(); }

frmSplash* SplashHolder::Show() {
    if (!splash_) splash_ = new frmSplash;
    splash_->show();
    splash_->raise();
    splash_->activateWindow();
    return splash_.data();
}

void SplashHolder::Hide() {
    if (splash_) splash_->hide();
}

}  // namespace drovalin
