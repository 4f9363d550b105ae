#include "FocusRing.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QEvent>
#include <QPainter>
#include <QRegion>
#include <QScrollArea>
#include <QWidget>

namespace {

constexpr int RingWidth = 2;

class TRingWidget : public QWidget {
public:
    explicit TRingWidget(QWidget* pane) : QWidget(pane) {
        setObjectName(QStringLiteral("FocusRing"));
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_NoSystemBackground);
        setFocusPolicy(Qt::NoFocus);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.fillRect(rect(), palette().color(QPalette::Active, QPalette::Highlight));
    }
};

// A list, tree or text view; a scroll area that only holds other controls is not a pane.
bool IsPane(const QWidget* w) {
    return qobject_cast<const QAbstractScrollArea*>(w) && !qobject_cast<const QScrollArea*>(w);
}

} // namespace

TFocusRing::TFocusRing(QWidget* window) : QObject(window), FWindow(window) {
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) { FocusChanged(now); });
}

QWidget* TFocusRing::Pane() const {
    return FRing && FRing->isVisible() ? FPane.data() : nullptr;
}

void TFocusRing::FocusChanged(QWidget* now) {
    // Focus that leaves for another window (a dialog, a menu) keeps the ring where it was: it is
    // where the keys go when the user comes back.
    if (now && now->window() != FWindow)
        return;
    QWidget* pane = now && IsPane(now) ? now : nullptr;
    if (FPane && FPane != pane)
        FPane->removeEventFilter(this);
    if (!pane) {
        FPane = nullptr;
        if (FRing)
            FRing->hide();
        return;
    }
    if (FPane != pane)
        pane->installEventFilter(this);
    FPane = pane;
    if (!FRing)
        FRing = new TRingWidget(pane);
    else if (FRing->parentWidget() != pane)
        FRing->setParent(pane);
    Place();
}

void TFocusRing::Place() {
    const QRect r = FPane->rect();
    FRing->setGeometry(r);
    FRing->setMask(QRegion(r).subtracted(QRegion(r.adjusted(RingWidth, RingWidth, -RingWidth, -RingWidth))));
    FRing->raise();
    FRing->show();
}

bool TFocusRing::eventFilter(QObject* watched, QEvent* event) {
    if (watched == FPane && FRing && FRing->parentWidget() == FPane) {
        // Scrolling or a new child (a viewport replaced) must not cover the ring.
        if (event->type() == QEvent::Resize || event->type() == QEvent::ChildAdded)
            Place();
    }
    return QObject::eventFilter(watched, event);
}
