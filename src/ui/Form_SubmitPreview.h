#pragma once
// The submission preview: for each file waiting to be sent, the records it adds, changes (field by
// field) or repeats unchanged against the local database of its level, and the pictures that go
// with it. It only shows what it is given; nothing is posted or written.

#include "SubmitPreview.h"

#include <QDialog>
#include <memory>
#include <vector>

namespace Ui {
class FormSubmitPreview;
}
class QTreeWidget;

class TFormSubmitPreview : public QDialog {
    Q_OBJECT
public:
    // `checkedPictures`: the pictures the submit dialog will send; the others are shown as left out.
    TFormSubmitPreview(const std::vector<TFilePreview>& files, const TStringList& checkedPictures,
                       QWidget* parent = nullptr);
    ~TFormSubmitPreview() override;

    QTreeWidget* Tree() const;

private:
    std::unique_ptr<Ui::FormSubmitPreview> FUi;
};

// Reads the files (nothing else) and shows the preview through the dialog seam.
void RunSubmitPreview(const TStringList& files, const TStringList& checkedPictures, QWidget* parent);
