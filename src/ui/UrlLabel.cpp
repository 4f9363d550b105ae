#include "UrlLabel.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QMouseEvent>
#include <QUrl>

namespace {

std::function<void(const QString&)>& Opener() {
    static std::function<void(const QString&)> opener;
    return opener;
}

} // namespace

void TUrlLabel::SetOpener(std::function<void(const QString&)> opener) {
    Opener() = std::move(opener);
}

TUrlLabel::TUrlLabel(QWidget* parent) : QLabel(parent) {
    setTextFormat(Qt::PlainText); // a caption from a data file is never markup
    setCursor(Qt::PointingHandCursor);
    QFont underlined = font();
    underlined.setUnderline(true);
    setFont(underlined);
    SetFontColor(QColor(0, 0, 255));
    setContextMenuPolicy(Qt::ActionsContextMenu);
    auto* copy = new QAction(QStringLiteral("Copy"), this);
    copy->setObjectName(QStringLiteral("CopyAction"));
    connect(copy, &QAction::triggered, this, [this] { QApplication::clipboard()->setText(text()); });
    addAction(copy);
}

QColor TUrlLabel::FontColor() const {
    return palette().color(QPalette::WindowText);
}

void TUrlLabel::SetFontColor(const QColor& color) {
    QPalette p = palette();
    p.setColor(QPalette::WindowText, color);
    setPalette(p);
}

QString TUrlLabel::Target() const {
    const QString target = FURL.trimmed().isEmpty() ? text() : FURL;
    return target.trimmed();
}

void TUrlLabel::Click() {
    emit Clicked();
    const QString target = Target();
    if (target.isEmpty())
        return;
    if (Opener())
        Opener()(target);
    else
        QDesktopServices::openUrl(QUrl::fromUserInput(target)); // nothing is reported on failure
}

void TUrlLabel::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        FSavedColor = FontColor();
        FPressed = true;
        SetFontColor(FActiveColor);
    }
    QLabel::mousePressEvent(event);
}

void TUrlLabel::mouseReleaseEvent(QMouseEvent* event) {
    QLabel::mouseReleaseEvent(event);
    if (event->button() != Qt::LeftButton || !FPressed)
        return;
    FPressed = false;
    SetFontColor(FSavedColor);
    if (rect().contains(event->position().toPoint()))
        Click();
}
