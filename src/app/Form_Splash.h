// The splash window: a picture and a status panel, shown while the main window is created.
#pragma once

#include <QWidget>

class QLabel;
class QTimer;

class TFormSplash : public QWidget {
    Q_OBJECT
public:
    explicit TFormSplash(QWidget* parent = nullptr);

    void SetStatusText(const QString& text);
    QString StatusText() const;
    QLabel* StatusPanel() const { return StatusPanel_; }
    QTimer* CloseSplashTimer() const { return CloseSplashTimer_; }

private:
    QLabel* Picture_ = nullptr;
    QLabel* StatusPanel_ = nullptr;
    QTimer* CloseSplashTimer_ = nullptr;
};
