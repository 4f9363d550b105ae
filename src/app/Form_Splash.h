// The splash window: a still GIF picture with a status panel over its lower right part, shown
// while the main window is created.
#pragma once

#include <QWidget>

class QLabel;
class QTimer;
namespace Gui {
class TGIFImage;
}

class TFormSplash : public QWidget {
    Q_OBJECT
public:
    explicit TFormSplash(QWidget* parent = nullptr);

    void SetStatusText(const QString& text);
    QString StatusText() const;
    Gui::TGIFImage* SplashImage() const { return FSplashImage; }
    QLabel* StatusPanel() const { return FStatusPanel; }
    QTimer* CloseSplashTimer() const { return FCloseSplashTimer; }

private:
    Gui::TGIFImage* FSplashImage = nullptr;
    QLabel* FStatusPanel = nullptr;
    QTimer* FCloseSplashTimer = nullptr;
};
