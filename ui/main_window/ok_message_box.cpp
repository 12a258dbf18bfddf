#include "ok_message_box.h"

#include <QPushButton>

void ShowOkMessageBox(QWidget* parent, const QString& title, const QString& text, QMessageBox::Icon icon) {
    QMessageBox box(parent);
    box.setWindowTitle(title);
    box.setAccessibleName(title);
    box.setIcon(icon);
    box.setTextFormat(Qt::PlainText);
    box.setText(text);
    box.setStandardButtons(QMessageBox::Ok);
    box.button(QMessageBox::Ok)->setAccessibleName(QStringLiteral("OK"));
    box.exec();
}
