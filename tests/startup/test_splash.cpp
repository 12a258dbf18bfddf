#include <QAccessible>
#include <QFontMetrics>
#include <QFrame>
#include <QLabel>
#include <QPointer>
#include <QScreen>
#include <QTest>

#include "frm_splash.h"
#include "splash_holder.h"

using drovalin::frmSplash;
using drovalin::SplashHolder;

namespace {

// Lets the deferred deletion of a closed splash happen.
void ProcessDeletions() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

QLabel* Label(frmSplash& splash, const QString& name) { return splash.findChild<QLabel*>(name); }

}  // namespace

class TestSplash : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() {
        QCoreApplication::setApplicationName(QStringLiteral("Drovalin"));
        QCoreApplication::setApplicationVersion(QStringLiteral("1.0.1"));
    }

    void showsItsTexts_data() {
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("text");
        QTest::newRow("company product") << "lblCompanyProduct"
                                         << "Brenmoorix";
        QTest::newRow("product name from the application") << "lblProductName"
                                                           << "Drovalin";
        QTest::newRow("platform") << "lblPlatform"
                                  << "for Windows";
        QTest::newRow("version from the application") << "lblVersion"
                                                      << "ﾊﾞｰｼﾞｮﾝ 1.0.1";
        QTest::newRow("company") << "lblCompany"
                                 << "会社名 Brenmoorix";
        QTest::newRow("warning") << "lblWarning"
                                 << "起動中・・・";
    }
    void showsItsTexts() {
        QFETCH(QString, label);
        QFETCH(QString, text);
        frmSplash splash;
        QLabel* widget = Label(splash, label);
        QVERIFY(widget);
        QCOMPARE(widget->text(), text);
        // What assistive technology reads.
        QCOMPARE(QAccessible::queryAccessibleInterface(widget)->text(QAccessible::Name), text);
    }

    void versionTextHasNoLeadingZeros_data() {
        QTest::addColumn<QString>("version");
        QTest::addColumn<QString>("text");
        QTest::newRow("1.0.1") << "1.0.1"
                               << "ﾊﾞｰｼﾞｮﾝ 1.0.1";
        QTest::newRow("leading zeros") << "01.00.001"
                                       << "ﾊﾞｰｼﾞｮﾝ 1.0.1";
        QTest::newRow("two-digit parts") << "2.10.12"
                                         << "ﾊﾞｰｼﾞｮﾝ 2.10.12";
        QTest::newRow("no revision") << "3.4"
                                     << "ﾊﾞｰｼﾞｮﾝ 3.4.0";
        QTest::newRow("a fourth part is not shown") << "1.2.3.4"
                                                    << "ﾊﾞｰｼﾞｮﾝ 1.2.3";
    }
    void versionTextHasNoLeadingZeros() {
        QFETCH(QString, version);
        QFETCH(QString, text);
        QCOMPARE(frmSplash::VersionText(version), text);
    }

    void isAFramelessSplashCentredOnTheScreen() {
        frmSplash splash;
        // The client area as designed, inside a visible frame of its own.
        QCOMPARE(splash.contentsRect().size(), QSize(617, 283));
        QVERIFY(splash.frameWidth() > 0);
        QCOMPARE(splash.frameShape(), QFrame::WinPanel);
        QCOMPARE(splash.minimumSize(), splash.maximumSize());
        QCOMPARE(splash.windowType(), Qt::SplashScreen);
        QVERIFY(splash.windowFlags().testFlag(Qt::FramelessWindowHint));
        QVERIFY(splash.windowTitle().isEmpty());
        QCOMPARE(splash.geometry().center(), QGuiApplication::primaryScreen()->geometry().center());
        QCOMPARE(splash.Frame1()->geometry().translated(-splash.contentsRect().topLeft()),
                 QRect(10, 4, 599, 270));
        QCOMPARE(splash.imgLogo()->geometry(), QRect(24, 53, 121, 159));
        QCOMPARE(splash.imgLogo()->pixmap().size(), QSize(121, 159));
    }

    // Labels that size themselves keep their anchored edge and show their whole text; the others keep their
    // designed place.
    void labelsStandWhereDesigned_data() {
        QTest::addColumn<QString>("label");
        QTest::addColumn<QRect>("designed");
        QTest::addColumn<bool>("sizesItself");
        QTest::newRow("company product") << "lblCompanyProduct" << QRect(157, 47, 130, 24) << true;
        QTest::newRow("product name") << "lblProductName" << QRect(160, 96, 370, 43) << true;
        QTest::newRow("platform, right") << "lblPlatform" << QRect(340, 156, 117, 21) << true;
        QTest::newRow("version, right") << "lblVersion" << QRect(398, 180, 59, 19) << true;
        QTest::newRow("company") << "lblCompany" << QRect(304, 221, 161, 17) << false;
        QTest::newRow("warning") << "lblWarning" << QRect(10, 244, 457, 13) << false;
    }
    void labelsStandWhereDesigned() {
        QFETCH(QString, label);
        QFETCH(QRect, designed);
        QFETCH(bool, sizesItself);
        frmSplash splash;
        QLabel* widget = Label(splash, label);
        const QRect geometry = widget->geometry();
        QCOMPARE(geometry.top(), designed.top());
        if (widget->alignment() & Qt::AlignRight)
            QCOMPARE(geometry.right(), designed.right());
        else
            QCOMPARE(geometry.left(), designed.left());
        if (sizesItself) {
            QCOMPARE(geometry.size(), widget->sizeHint());
        } else {
            QCOMPARE(geometry.width(), designed.width());
        }
        QVERIFY(geometry.width() >= QFontMetrics(widget->font()).horizontalAdvance(widget->text()));
        QVERIFY(geometry.height() >= QFontMetrics(widget->font()).height());
        QVERIFY(splash.Frame1()->rect().contains(geometry));
    }

    void characterKeysCloseIt_data() {
        QTest::addColumn<Qt::Key>("key");
        QTest::addColumn<bool>("closes");
        QTest::newRow("letter") << Qt::Key_A << true;
        QTest::newRow("digit") << Qt::Key_7 << true;
        QTest::newRow("space") << Qt::Key_Space << true;
        QTest::newRow("Enter") << Qt::Key_Return << true;
        QTest::newRow("keypad Enter") << Qt::Key_Enter << true;
        QTest::newRow("Escape") << Qt::Key_Escape << true;
        QTest::newRow("Shift alone") << Qt::Key_Shift << false;
        QTest::newRow("F1") << Qt::Key_F1 << false;
        QTest::newRow("arrow") << Qt::Key_Left << false;
    }
    void characterKeysCloseIt() {
        QFETCH(Qt::Key, key);
        QFETCH(bool, closes);
        SplashHolder holder;
        QPointer<frmSplash> splash = holder.Show();
        QVERIFY(QTest::qWaitForWindowExposed(splash));
        // Through the window, as the windowing system delivers keys, not to a chosen widget.
        QTest::keyClick(splash->windowHandle(), key);
        ProcessDeletions();
        QCOMPARE(splash.isNull(), closes);
        QCOMPARE(holder.Splash() == nullptr, closes);
    }

    void onlyTheFramesFreeAreaClosesItOnClick_data() {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QPoint>("offset");
        QTest::addColumn<bool>("closes");
        QTest::newRow("frame, right of the logo") << "Frame1" << QPoint(150, 20) << true;
        QTest::newRow("frame, bottom right") << "Frame1" << QPoint(590, 262) << true;
        QTest::newRow("logo") << "imgLogo" << QPoint(60, 80) << false;
        QTest::newRow("company product") << "lblCompanyProduct" << QPoint(5, 5) << false;
        QTest::newRow("product name") << "lblProductName" << QPoint(5, 5) << false;
        QTest::newRow("platform") << "lblPlatform" << QPoint(5, 5) << false;
        QTest::newRow("version") << "lblVersion" << QPoint(5, 5) << false;
        QTest::newRow("company") << "lblCompany" << QPoint(5, 5) << false;
        QTest::newRow("warning") << "lblWarning" << QPoint(5, 5) << false;
        QTest::newRow("margin left of the frame") << "frmSplash" << QPoint(4, 100) << false;
        QTest::newRow("margin below the frame") << "frmSplash" << QPoint(300, 279) << false;
    }
    void onlyTheFramesFreeAreaClosesItOnClick() {
        QFETCH(QString, target);
        QFETCH(QPoint, offset);
        QFETCH(bool, closes);
        SplashHolder holder;
        QPointer<frmSplash> splash = holder.Show();
        QVERIFY(QTest::qWaitForWindowExposed(splash));
        QWidget* widget = target == "frmSplash" ? splash.data() : splash->findChild<QWidget*>(target);
        QVERIFY(widget);
        const QPoint point = widget->mapTo(splash.data(), offset);
        // The click must land on the widget it names.
        QCOMPARE(splash->childAt(point) ? splash->childAt(point) : splash.data(), widget);
        QTest::mouseClick(splash->windowHandle(), Qt::LeftButton, {}, point);
        ProcessDeletions();
        QCOMPARE(splash.isNull(), closes);
    }

    void pressOnTheFrameReleasedElsewhereIsNoClick() {
        SplashHolder holder;
        QPointer<frmSplash> splash = holder.Show();
        QVERIFY(QTest::qWaitForWindowExposed(splash));
        QWindow* window = splash->windowHandle();
        QTest::mousePress(window, Qt::LeftButton, {}, QPoint(160, 24));
        QTest::mouseRelease(window, Qt::LeftButton, {}, QPoint(4, 100));
        ProcessDeletions();
        QVERIFY(!splash.isNull());
    }

    void hidingASplashTheUserClosedDoesNoHarm() {
        SplashHolder holder;
        QPointer<frmSplash> splash = holder.Show();
        QVERIFY(QTest::qWaitForWindowExposed(splash));
        QTest::keyClick(splash->windowHandle(), Qt::Key_Escape);
        ProcessDeletions();
        QVERIFY(splash.isNull());
        holder.Hide();
        QVERIFY(!holder.Splash());
    }

    void hiddenSplashStaysLoadedAndShowsAgain() {
        SplashHolder holder;
        QPointer<frmSplash> splash = holder.Show();
        QVERIFY(splash->isVisible());
        holder.Hide();
        ProcessDeletions();
        QVERIFY(!splash.isNull());
        QVERIFY(!splash->isVisible());
        QCOMPARE(holder.Show(), splash.data());
        QVERIFY(splash->isVisible());
    }
};

QTEST_MAIN(TestSplash)
#include "test_splash.moc"
