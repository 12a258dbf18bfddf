#pragma once

#include "user_notifier.h"

class QWidget;

namespace drovalin {

// Notices as modal Japanese message boxes over the window.
class MessageBoxNotifier : public UserNotifier {
  public:
    explicit MessageBoxNotifier(QWidget* parent);
    void Warn(const QString& title, const QString& text) override;

  private:
    QWidget* parent_;
};

}  // namespace drovalin
