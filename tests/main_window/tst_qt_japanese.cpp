#include <QApplication>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <memory>

#include "qt_japanese.h"

// Qt's own texts, as the capacity box's menu, the folder chooser and the standard buttons show them.
class TestQtJapanese : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase();
    void qtTexts_data();
    void qtTexts();
    void widgetsSpeakJapanese();
};

void TestQtJapanese::initTestCase() {
    // The test runs under an English locale, as a user's desktop might.
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    QCOMPARE(QCoreApplication::translate("QLineEdit", "&Undo"), QString("&Undo"));
    QVERIFY(drovalin::InstallQtJapanese(*qApp));
}

void TestQtJapanese::qtTexts_data() {
    QTest::addColumn<QString>("context");
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("japanese");
    QTest::newRow("box: undo") << "QLineEdit"
                               << "&Undo"
                               << "元に戻す(&U)";
    QTest::newRow("box: paste") << "QLineEdit"
                                << "&Paste"
                                << "貼り付け(&P)";
    QTest::newRow("chooser: folder") << "QFileDialog"
                                     << "Directory:"
                                     << "ディレクトリ:";
    QTest::newRow("button: cancel") << "QPlatformTheme"
                                    << "Cancel"
                                    << "キャンセル";
}

void TestQtJapanese::qtTexts() {
    QFETCH(QString, context);
    QFETCH(QString, source);
    QFETCH(QString, japanese);
    QCOMPARE(QCoreApplication::translate(context.toLatin1().constData(), source.toLatin1().constData()),
             japanese);
}

void TestQtJapanese::widgetsSpeakJapanese() {
    QCOMPARE(QLocale().language(), QLocale::Japanese);
    QLineEdit box;
    const std::unique_ptr<QMenu> menu(box.createStandardContextMenu());
    QVERIFY(menu->actions().first()->text().startsWith(QString("元に戻す(&U)")));
    QDialogButtonBox buttons(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    QCOMPARE(buttons.button(QDialogButtonBox::Cancel)->text(), QString("キャンセル"));
}

QTEST_MAIN(TestQtJapanese)
#include "tst_qt_japanese.moc"
