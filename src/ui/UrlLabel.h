#pragma once
// A label that opens a web or mail address when clicked: blue, underlined, with the hand cursor,
// purple while the left button is down, and "Copy" on a right click (the caption, not the URL).

#include <QColor>
#include <QLabel>

#include <functional>

class TUrlLabel : public QLabel {
    Q_OBJECT
    Q_PROPERTY(QString URL READ URL WRITE SetURL)
    Q_PROPERTY(QColor ActiveColor READ ActiveColor WRITE SetActiveColor)
public:
    explicit TUrlLabel(QWidget* parent = nullptr);

    // Opened instead of the caption unless blank.
    QString URL() const { return FURL; }
    void SetURL(const QString& value) { FURL = value; }
    QColor ActiveColor() const { return FActiveColor; }
    void SetActiveColor(const QColor& value) { FActiveColor = value; }
    QColor FontColor() const;
    // What a click opens: the URL, or the caption when the URL is blank; empty when both are.
    QString Target() const;
    // The label's click: Clicked first, then the target opens through the desktop.
    void Click();
    // Replaces the desktop's opening of a target (tests); null restores it.
    static void SetOpener(std::function<void(const QString&)> opener);

signals:
    void Clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void SetFontColor(const QColor& color);

    QString FURL;
    QColor FActiveColor{128, 0, 128};
    QColor FSavedColor;
    bool FPressed = false;
};
