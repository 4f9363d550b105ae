#include "Form_Splash.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPixmap>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

TFormSplash::TFormSplash(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setObjectName("FormSplash");
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    Picture_ = new QLabel(this);
    Picture_->setObjectName("SplashImage");
    Picture_->setAlignment(Qt::AlignCenter);
    Picture_->setMinimumSize(360, 200);
    Picture_->setText(QStringLiteral("Orvandel Viewer\nv2.20"));
    QFont big = Picture_->font();
    big.setPointSize(big.pointSize() + 8);
    big.setBold(true);
    Picture_->setFont(big);
    Picture_->setStyleSheet("background:#23412f; color:#f1ead2;");
    layout->addWidget(Picture_);

    StatusPanel_ = new QLabel(QStringLiteral("Loading, please wait..."), this);
    StatusPanel_->setObjectName("StatusPanel");
    StatusPanel_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    StatusPanel_->setMargin(3);
    layout->addWidget(StatusPanel_);

    CloseSplashTimer_ = new QTimer(this);
    CloseSplashTimer_->setObjectName("CloseSplashTimer");
    CloseSplashTimer_->setInterval(2000);
    CloseSplashTimer_->setSingleShot(true);

    // Creation puts the first status text up.
    SetStatusText(QStringLiteral("Starting application..."));
    adjustSize();
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - rect().center());
    }
}

void TFormSplash::SetStatusText(const QString& text) {
    StatusPanel_->setText(text);
    if (isVisible())
        repaint();
}

QString TFormSplash::StatusText() const { return StatusPanel_->text(); }

void TFormSplash::SetPicture(const QString& path) {
    QPixmap pixmap(path);
    if (pixmap.isNull())
        return;
    Picture_->setStyleSheet(QString());
    Picture_->setPixmap(pixmap);
    adjustSize();
}
