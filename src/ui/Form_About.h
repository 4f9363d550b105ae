#pragma once
// The about box: the program's picture, its title and version, where to find it and whom to
// write, a dedication and a warning. Modal; opened from the Help menu.

#include <QDialog>
#include <memory>

namespace Ui {
class AboutBox;
}

class TAboutBox : public QDialog {
    Q_OBJECT
public:
    explicit TAboutBox(QWidget* parent = nullptr);
    ~TAboutBox() override;

private:
    std::unique_ptr<Ui::AboutBox> FUi;
};

// Shows the about box modally through the dialog seam and destroys it when it closes.
void ShowAboutBox(QWidget* parent);
