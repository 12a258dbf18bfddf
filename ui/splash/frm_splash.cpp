#include "frm_splash.h"

#include <QCoreApplication>
#include <QFrame>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>
#include <QProgressBar>
#include <QScreen>
#include <QVersionNumber>
#include <algorithm>

#include "japanese_font.h"

// The icon lives in a static library; naming its initialiser keeps the linker from dropping it.
static void LoadIconResource() { Q_INIT_RESOURCE(resources); }

namespace drovalin {

namespace {

// Laid out in twips, 15 to a logical pixel.
QRect TwipsRect(int left, int top, int width, int height) {
    const auto px = [](int twips) { return qRound(twips / 15.0); };
    return QRect(px(left), px(top), px(width), px(height));
}

const QRect kClient = TwipsRect(0, 0, 9255, 4245);
const QRect kFrame1 = TwipsRect(150, 60, 8985, 4050);
const QRect kLogo = TwipsRect(360, 795, 1815, 2385);
const QRect kCompanyProduct = TwipsRect(2355, 705, 1950, 360);
const QRect kProductName = TwipsRect(2400, 1440, 5550, 645);
const QRect kPlatform = TwipsRect(5100, 2340, 1755, 315);
const QRect kVersion = TwipsRect(5970, 2700, 885, 285);
const QRect kCompany = TwipsRect(4560, 3320, 2415, 255);
const QRect kWarning = TwipsRect(150, 3660, 6855, 195);
const QRect kProgress = TwipsRect(7100, 3660, 1735, 195);

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, const QRect& designed,
                  Qt::Alignment alignment) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->setAlignment(alignment | Qt::AlignTop);
    label->setGeometry(designed);
    // A click on a label is not a click on the frame behind it.
    label->setAttribute(Qt::WA_NoMousePropagation);
    return label;
}

// Sizes a label to its text: a left-aligned one grows from its left edge, a right-aligned one keeps its right
// edge.
void SizeToText(QLabel* label, const QRect& designed) {
    const QSize size = label->sizeHint();
    const int left =
        (label->alignment() & Qt::AlignRight) ? designed.x() + designed.width() - size.width() : designed.x();
    label->setGeometry(left, designed.y(), size.width(), size.height());
}

// A label of fixed size still shows one whole line of its text.
void FitOneLine(QLabel* label) {
    label->resize(label->width(), std::max(label->height(), label->sizeHint().height()));
}

}  // namespace

frmSplash::frmSplash(QWidget* parent) : QFrame(parent, Qt::SplashScreen | Qt::FramelessWindowHint) {
    LoadIconResource();
    setObjectName(QStringLiteral("frmSplash"));
    setAccessibleName(QStringLiteral("起動画面"));
    setAttribute(Qt::WA_DeleteOnClose);
    // A raised panel, as a dialog frame looks, outside the client area.
    setFrameStyle(QFrame::WinPanel | QFrame::Raised);
    const int border = frameWidth();
    setFixedSize(kClient.size() + QSize(2 * border, 2 * border));

    Frame1_ = new QFrame(this);
    Frame1_->setObjectName(QStringLiteral("Frame1"));
    Frame1_->setAccessibleName(QStringLiteral("起動画面の枠"));
    Frame1_->setFrameStyle(QFrame::Box | QFrame::Sunken);
    Frame1_->setGeometry(kFrame1.translated(border, border));
    Frame1_->installEventFilter(this);

    imgLogo_ = new QLabel(Frame1_);
    imgLogo_->setObjectName(QStringLiteral("imgLogo"));
    imgLogo_->setAccessibleName(QStringLiteral("ロゴ"));
    imgLogo_->setGeometry(kLogo);
    imgLogo_->setPixmap(QPixmap(QStringLiteral(":/drovalin/drovalin.png"))
                            .scaled(kLogo.size(), Qt::IgnoreAspectRatio, Qt::FastTransformation));
    imgLogo_->setAttribute(Qt::WA_NoMousePropagation);

    lblCompanyProduct_ =
        MakeLabel(Frame1_, "lblCompanyProduct", QStringLiteral("Brenmoorix"), kCompanyProduct, Qt::AlignLeft);
    lblCompanyProduct_->setFont(JapaneseGothicFont(18, true));
    lblProductName_ =
        MakeLabel(Frame1_, "lblProductName", QStringLiteral("Drovalin"), kProductName, Qt::AlignLeft);
    lblProductName_->setFont(JapaneseGothicFont(32.25, true));
    lblPlatform_ =
        MakeLabel(Frame1_, "lblPlatform", QStringLiteral("for Windows"), kPlatform, Qt::AlignRight);
    lblPlatform_->setFont(JapaneseGothicFont(15.75, true));
    lblVersion_ = MakeLabel(Frame1_, "lblVersion", QStringLiteral("ﾊﾞｰｼﾞｮﾝ"), kVersion, Qt::AlignRight);
    lblVersion_->setFont(JapaneseGothicFont(12, true));
    lblCompany_ =
        MakeLabel(Frame1_, "lblCompany", QStringLiteral("会社名 Brenmoorix"), kCompany, Qt::AlignLeft);
    lblWarning_ = MakeLabel(Frame1_, "lblWarning", QStringLiteral("起動中・・・"), kWarning, Qt::AlignLeft);
    FitOneLine(lblCompany_);
    FitOneLine(lblWarning_);

    Form_Load();
    CentreOnScreen();
}

QString frmSplash::VersionText(const QString& applicationVersion) {
    const QVersionNumber version = QVersionNumber::fromString(applicationVersion);
    return QStringLiteral("ﾊﾞｰｼﾞｮﾝ %1.%2.%3")
        .arg(version.majorVersion())
        .arg(version.minorVersion())
        .arg(version.microVersion());
}

void frmSplash::Form_Load() {
    lblVersion_->setText(VersionText(QCoreApplication::applicationVersion()));
    lblProductName_->setText(QGuiApplication::applicationDisplayName());
    SizeToText(lblCompanyProduct_, kCompanyProduct);
    SizeToText(lblProductName_, kProductName);
    SizeToText(lblPlatform_, kPlatform);
    SizeToText(lblVersion_, kVersion);
    for (QLabel* label : Frame1_->findChildren<QLabel*>()) {
        if (label != imgLogo_) label->setAccessibleName(label->text());
    }
}

void frmSplash::ShowProgress(const QString& text, int value, int maximum) {
    if (!barProgress_) {
        barProgress_ = new QProgressBar(Frame1_);
        barProgress_->setObjectName(QStringLiteral("barProgress"));
        barProgress_->setAccessibleName(QStringLiteral("起動の進み具合"));
        barProgress_->setTextVisible(false);
        barProgress_->setGeometry(kProgress);
        barProgress_->setAttribute(Qt::WA_NoMousePropagation);
        barProgress_->show();
    }
    lblWarning_->setText(text);
    lblWarning_->setAccessibleName(text);
    barProgress_->setRange(0, maximum);
    barProgress_->setValue(value);
}

void frmSplash::CentreOnScreen() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) return;
    QRect area(QPoint(0, 0), size());
    area.moveCenter(screen->geometry().center());
    move(area.topLeft());
}

// No control of the splash takes the focus, so every key reaches the window itself first.
void frmSplash::keyPressEvent(QKeyEvent* event) {
    if (event->text().isEmpty()) {
        QFrame::keyPressEvent(event);
        return;
    }
    close();
}

void frmSplash::Frame1_Click() { close(); }

bool frmSplash::eventFilter(QObject* watched, QEvent* event) {
    if (watched != Frame1_) return QFrame::eventFilter(watched, event);
    switch (event->type()) {
        case QEvent::MouseButtonPress:
            framePressed_ = static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton;
            return framePressed_;
        case QEvent::MouseButtonRelease: {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->button() != Qt::LeftButton || !framePressed_) return false;
            framePressed_ = false;
            // A click ends where it began: letting go outside the frame is no click.
            if (Frame1_->rect().contains(mouse->position().toPoint())) Frame1_Click();
            return true;
        }
        default:
            return false;
    }
}

}  // namespace drovalin
