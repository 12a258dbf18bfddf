#pragma once

#include <QMessageBox>
#include <QString>

class QWidget;

// A modal box with one OK button. Its text is plain, so file names that look like markup show as they are,
// and assistive technology reads the title as the box's name.
void ShowOkMessageBox(QWidget* parent, const QString& title, const QString& text, QMessageBox::Icon icon);
