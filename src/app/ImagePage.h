// The Image page: the selected genus's picture, or a button that fetches it.
#pragma once

#include <QWidget>
#include <string>

class QAction;
class QLabel;
class QMenu;
class QPushButton;

class TImagePage : public QWidget {
    Q_OBJECT
public:
    explicit TImagePage(QWidget* parent = nullptr);

    // "Show Image" runs through this action; `popup` is the picture's right-click menu.
    void BindActions(QAction* showImage, QMenu* popup);
    // Shows the picture file; false (and nothing shown) when it cannot be read.
    bool ShowPicture(const std::string& path);
    void ClearPicture();
    void SetShowButtonVisible(bool visible);
    QPushButton* ShowImageButton() const { return FShowImageBtn; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void PlaceShowButton();
    QLabel* FGenusImage;
    QPushButton* FShowImageBtn;
};
