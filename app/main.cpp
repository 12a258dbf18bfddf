#include <QApplication>
#include <QTimer>

#include "form1.h"
#include "qt_japanese.h"
#include "tables/huge_page_heap.h"

int main(int argc, char* argv[]) {
    drovalin::RestartWithHugePageHeap(argv);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Drovalin"));
    QApplication::setApplicationVersion(QStringLiteral(DROVALIN_VERSION));
    QGuiApplication::setDesktopFileName(QStringLiteral("org.drovalin.Drovalin"));
    drovalin::InstallQtJapanese(app);

    drovalin::Form1 form;
    // Another instance is running: it has been brought to the front, and this one ends without a trace.
    if (!form.Form_Load()) return 0;
    form.show();
    QTimer::singleShot(0, &form, &drovalin::Form1::ShowStartupNotices);
    return QApplication::exec();
}
