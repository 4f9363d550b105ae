#include "Form_Splash.h"

#include "GIFImageWidget.h"

#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QTimer>

TFormSplash::TFormSplash(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setObjectName("FormSplash");
    setWindowTitle(QStringLiteral("Splash Screen"));
    setFixedSize(374, 84);

    // A still picture kept in the program's resources, drawn at its own size.
    SplashImage_ = new Gui::TGIFImage(this);
    SplashImage_->setObjectName("SplashImage");
    SplashImage_->setGeometry(0, 0, 374, 84);
    QFile picture(QStringLiteral(":/app/Form_Splash.gif"));
    if (picture.open(QIODevice::ReadOnly)) {
        const QByteArray bytes = picture.readAll();
        SplashImage_->LoadFromBytes(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    }

    StatusPanel_ = new QLabel(QStringLiteral("Loading, please wait..."), this);
    StatusPanel_->setObjectName("StatusPanel");
    StatusPanel_->setGeometry(124, 61, 217, 17);
    StatusPanel_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    StatusPanel_->setIndent(3);
    StatusPanel_->setAutoFillBackground(true);
    QPalette colours = StatusPanel_->palette();
    colours.setColor(QPalette::Window, QColor(0, 128, 128)); // teal
    colours.setColor(QPalette::WindowText, QColor(0, 255, 255)); // aqua
    StatusPanel_->setPalette(colours);
    QFont small = StatusPanel_->font();
    small.setPixelSize(11);
    StatusPanel_->setFont(small);

    CloseSplashTimer_ = new QTimer(this);
    CloseSplashTimer_->setObjectName("CloseSplashTimer");
    CloseSplashTimer_->setInterval(2000);
    CloseSplashTimer_->setSingleShot(true);

    // Creation puts the first status text up.
    SetStatusText(QStringLiteral("Starting application..."));
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
