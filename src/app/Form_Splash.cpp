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
    FSplashImage = new Gui::TGIFImage(this);
    FSplashImage->setObjectName("SplashImage");
    FSplashImage->setGeometry(0, 0, 374, 84);
    QFile picture(QStringLiteral(":/app/Form_Splash.gif"));
    if (picture.open(QIODevice::ReadOnly)) {
        const QByteArray bytes = picture.readAll();
        FSplashImage->LoadFromBytes(
            std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    }

    FStatusPanel = new QLabel(QStringLiteral("Loading, please wait..."), this);
    FStatusPanel->setObjectName("StatusPanel");
    FStatusPanel->setGeometry(124, 61, 217, 17);
    FStatusPanel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    FStatusPanel->setIndent(3);
    FStatusPanel->setAutoFillBackground(true);
    QPalette colours = FStatusPanel->palette();
    colours.setColor(QPalette::Window, QColor(0, 128, 128));     // teal
    colours.setColor(QPalette::WindowText, QColor(0, 255, 255)); // aqua
    FStatusPanel->setPalette(colours);
    QFont small = FStatusPanel->font();
    small.setPixelSize(11);
    FStatusPanel->setFont(small);

    FCloseSplashTimer = new QTimer(this);
    FCloseSplashTimer->setObjectName("CloseSplashTimer");
    FCloseSplashTimer->setInterval(2000);
    FCloseSplashTimer->setSingleShot(true);

    // Creation puts the first status text up.
    SetStatusText(QStringLiteral("Starting application..."));
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - rect().center());
    }
}

void TFormSplash::SetStatusText(const QString& text) {
    FStatusPanel->setText(text);
    if (isVisible())
        repaint();
}

QString TFormSplash::StatusText() const {
    return FStatusPanel->text();
}
