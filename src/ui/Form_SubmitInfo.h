#pragma once
// The submit dialog: the submitter's name and e-mail, the data files about to be sent and the
// pictures that may go with them, each with a check box.

#include "TextFiles.h"

#include <QDialog>
#include <memory>
#include <string>

namespace Ui {
class FormSubmitInfo;
}

// Used when the e-mail box is left empty, so that the maintainer can still be reached.
inline constexpr const char* MaintainerEmail = "tovren@velmora.example";
// Used when the name box is left empty.
inline constexpr const char* NoNameText = "[NoName]";

class TFormSubmitInfo : public QDialog {
    Q_OBJECT
public:
    // Reads the name and e-mail last used from "options.ini" into the boxes.
    explicit TFormSubmitInfo(QWidget* parent = nullptr);
    ~TFormSubmitInfo() override;

    void SetUserName(const std::string& name);
    void SetUserEmail(const std::string& email);
    std::string UserName() const;
    std::string UserEmail() const;

    // Shows the paths, one per line.
    void SetFileList(const TStringList& paths);
    // Shows the picture names (not made unique), every entry checked.
    void SetImageList(const TStringList& names);
    // The data file paths exactly as given to SetFileList.
    const TStringList& FileLines() const { return FFiles; }
    // For each checked entry in list order: the images folder of the program folder followed by
    // the entry's name. Returns the dialog's own result list, emptied first.
    const TStringList& CheckedImageFiles();
    // The names of the checked entries in list order.
    TStringList CheckedImageNames() const;

    // OK: an empty name becomes "[NoName]", an empty e-mail the maintainer's address, and both
    // are written to "options.ini" before the dialog closes.
    void accept() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    std::unique_ptr<Ui::FormSubmitInfo> FUi;
    TStringList FFiles;
    TStringList FImages;  // the names as given, so that no byte is changed on the way back
    TStringList FChecked; // CheckedImageFiles' result
    bool FCentred = false;
};

// What SubmitUserDatabases needs from the dialog.
struct TSubmitInfoResult {
    bool Accepted = false;
    std::string Name;
    std::string Email;
    TStringList CheckedImageNames;
    TStringList CheckedImageFiles; // full paths of the checked pictures, in list order
    TStringList FileLines;

    // The files to post: the checked pictures first, then the data files.
    TStringList UploadList() const;
};

// Creates the dialog, fills it with the data files and picture names, runs it through the
// dialog seam and returns what the user chose. Anything but OK returns Accepted = false and
// empty lists; nothing is written then.
TSubmitInfoResult RunSubmitDialog(const TStringList& dataFiles, const TStringList& pictureNames,
                                  QWidget* parent = nullptr);
