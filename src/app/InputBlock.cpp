#include "InputBlock.h"

#include <QApplication>
#include <QEvent>

TInputBlock::TInputBlock(const std::vector<QWidget*>& panes, QObject* parent) : QObject(parent) {
    for (QWidget* pane : panes)
        FPanes.emplace_back(pane);
}

TInputBlock::~TInputBlock() {
    SetBlocked(false);
}

void TInputBlock::SetBlocked(bool blocked) {
    if (blocked == FBlocked)
        return;
    FBlocked = blocked;
    if (blocked)
        qApp->installEventFilter(this);
    else
        qApp->removeEventFilter(this);
}

bool TInputBlock::Guards(const QObject* object) const {
    const auto* widget = qobject_cast<const QWidget*>(object);
    if (!widget)
        return false;
    for (const QPointer<QWidget>& pane : FPanes)
        if (pane && (pane == widget || pane->isAncestorOf(widget)))
            return true;
    return false;
}

bool TInputBlock::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::Drop:
        if (Guards(watched))
            return true;
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}
