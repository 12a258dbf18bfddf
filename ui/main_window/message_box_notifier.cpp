#include "message_box_notifier.h"

#include <QMessageBox>

namespace drovalin {

MessageBoxNotifier::MessageBoxNotifier(QWidget* parent) : parent_(parent) {}

void MessageBoxNotifier::Warn(const QString& title, const QString& text) {
    QMessageBox box(QMessageBox::Warning, title, text, QMessageBox::Ok, parent_);
    // File names are shown as they are, even when they look like markup.
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

}  // namespace drovalin
