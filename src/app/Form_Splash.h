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
    // Loads the splash picture from the program folder when there is one.
    void SetPicture(const QString& path);

private:
    QLabel* Picture_ = nullptr;
    QLabel* StatusPanel_ = nullptr;
    QTimer* CloseSplashTimer_ = nullptr;
};
