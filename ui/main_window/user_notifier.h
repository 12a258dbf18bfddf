#pragma once

#include <QString>

namespace drovalin {

// How the window tells the user about a drop it could not take or files it could not list. The window shows
// message boxes; tests record the notices instead.
class UserNotifier {
  public:
    virtual ~UserNotifier() = default;
    virtual void Warn(const QString& title, const QString& text) = 0;
};

}  // namespace drovalin
