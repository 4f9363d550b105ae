#include "Form_Splash.h"

#include <QApplication>
#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QLabel>
#include <QPixmap>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

namespace {

// The splash picture: the title over a dusk sky with a korvel gliding across it.
QPixmap DrawSplashPicture() {
    QPixmap pixmap(400, 220);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, 220);
    sky.setColorAt(0, QColor(24, 52, 40));
    sky.setColorAt(1, QColor(92, 128, 88));
    p.fillRect(pixmap.rect(), sky);
    // Hills.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(30, 60, 44));
    QPainterPath hills(QPointF(0, 220));
    hills.cubicTo(QPointF(90, 150), QPointF(180, 200), QPointF(260, 170));
    hills.cubicTo(QPointF(320, 150), QPointF(370, 175), QPointF(400, 160));
    hills.lineTo(400, 220);
    p.drawPath(hills);
    // A korvel: body, head and two pairs of vanes.
    p.translate(300, 72);
    p.rotate(-12);
    p.setBrush(QColor(214, 170, 72));
    p.drawEllipse(QRectF(-30, -9, 60, 18));
    p.drawEllipse(QRectF(24, -8, 16, 14));
    p.setBrush(QColor(240, 214, 140, 200));
    for (int side : {-1, 1}) {
        QPainterPath vane;
        vane.moveTo(-8, 0);
        vane.quadTo(-20, side * 40, 10, side * 34);
        vane.quadTo(6, side * 12, -8, 0);
        p.drawPath(vane);
        QPainterPath rear;
        rear.moveTo(-22, 0);
        rear.quadTo(-40, side * 26, -16, side * 24);
        rear.quadTo(-16, side * 8, -22, 0);
        p.drawPath(rear);
    }
    p.resetTransform();
    // Title.
    p.setPen(QColor(241, 234, 210));
    QFont title = QApplication::font();
    title.setPointSize(22);
    title.setBold(true);
    p.setFont(title);
    p.drawText(QRect(24, 120, 360, 40), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Orvandel Viewer"));
    QFont sub = QApplication::font();
    sub.setPointSize(10);
    p.setFont(sub);
    p.drawText(QRect(26, 158, 360, 24), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("v2.20  \u00b7  the Korvel taxonomy"));
    return pixmap;
}

} // namespace

TFormSplash::TFormSplash(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setObjectName("FormSplash");
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    Picture_ = new QLabel(this);
    Picture_->setObjectName("SplashImage");
    Picture_->setAlignment(Qt::AlignCenter);
    Picture_->setPixmap(DrawSplashPicture());
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
