#pragma once
// The Delete User Databases dialog: the user files present in the program folder, each with a
// check box; Delete removes the ticked ones after a question and takes them off the list of
// files waiting for submission.

#include <QDialog>
#include <memory>

namespace Ui {
class FormDeleteUserDB;
}

class TFormDeleteUserDB : public QDialog {
    Q_OBJECT
public:
    // Builds the list once, from the files present now.
    explicit TFormDeleteUserDB(QWidget* parent = nullptr);
    ~TFormDeleteUserDB() override;

    // The files deleted by the last Delete.
    int DeletedCount() const { return FDeletedCount; }

private:
    void FormCreate();
    void OKBtnClick();

    std::unique_ptr<Ui::FormDeleteUserDB> FUi;
    int FDeletedCount = 0;
};

// Creates the dialog, runs it through the dialog seam and destroys it; returns the number of
// files it deleted.
int RunDeleteUserDBDialog(QWidget* parent = nullptr);
