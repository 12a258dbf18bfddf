#pragma once

#include <QFrame>

class QLabel;
class QProgressBar;

namespace drovalin {

// The window shown while the program starts: logo, product name and version. It has no title bar, so it
// draws its own fixed dialog frame around its client area. It closes itself (and is destroyed) on any key
// that types a character or on a click on the free area of its frame.
class frmSplash : public QFrame {
    Q_OBJECT

  public:
    explicit frmSplash(QWidget* parent = nullptr);

    QFrame* Frame1() const { return Frame1_; }
    QLabel* imgLogo() const { return imgLogo_; }
    QLabel* lblCompanyProduct() const { return lblCompanyProduct_; }
    QLabel* lblProductName() const { return lblProductName_; }
    QLabel* lblPlatform() const { return lblPlatform_; }
    QLabel* lblVersion() const { return lblVersion_; }
    QLabel* lblCompany() const { return lblCompany_; }
    QLabel* lblWarning() const { return lblWarning_; }
    // The bar of the start-up's progress; nullptr until progress is first shown.
    QProgressBar* barProgress() const { return barProgress_; }

    // Tells what start-up is doing, in the warning line, with a bar of value out of maximum (0: no measure).
    void ShowProgress(const QString& text, int value, int maximum);

    // "ﾊﾞｰｼﾞｮﾝ " and major.minor.revision of the given version text.
    static QString VersionText(const QString& applicationVersion);

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void Form_Load();
    void Frame1_Click();
    void CentreOnScreen();

    QFrame* Frame1_;
    QLabel* imgLogo_;
    QLabel* lblCompanyProduct_;
    QLabel* lblProductName_;
    QLabel* lblPlatform_;
    QLabel* lblVersion_;
    QLabel* lblCompany_;
    QLabel* lblWarning_;
    QProgressBar* barProgress_ = nullptr;
    bool framePressed_ = false;
};

}  // namespace drovalin
