// A ring in the highlight colour along the inside edge of the pane that has the keyboard focus,
// so the user always sees where typed keys go. Panes are the window's lists, trees and text views;
// a box or a button shows its focus its own way, and the ring then disappears.
#pragma once

#include <QObject>
#include <QPointer>

class QWidget;

class TFocusRing : public QObject {
    Q_OBJECT
public:
    // Follows the focus among the panes of `window` (and of nothing else).
    explicit TFocusRing(QWidget* window);

    // The pane that shows the ring, or null.
    QWidget* Pane() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FocusChanged(QWidget* now);
    void Place();

    QWidget* FWindow;
    QPointer<QWidget> FPane;
    // A child of the pane it rings, drawn above the pane's own children; it goes with its pane.
    QPointer<QWidget> FRing;
};
