#include <QApplication>

#include "form1.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Drovalin"));
    QApplication::setApplicationVersion(QStringLiteral(DROVALIN_VERSION));

    drovalin::Form1 form;
    form.show();
    return QApplication::exec();
}
