#pragma once
// The announcement window: the server's last announcement in a small window that stays on top.
// Created at first use and kept until the program quits; closing it only hides it.

#include "TextFiles.h"

#include <QDialog>
#include <memory>

namespace Ui {
class FormAnnouncement;
}

class TFormAnnouncement : public QDialog {
    Q_OBJECT
public:
    // The one window of the program; created at first call.
    static TFormAnnouncement& Instance();
    static bool Exists();

    explicit TFormAnnouncement(QWidget* parent = nullptr);
    ~TFormAnnouncement() override;

    // Replaces the text of MessageMemo with these lines, shown as received.
    void SetMessageLines(const TStringList& lines);
    // Shows the window without making it modal and brings it to the front. The first time it is
    // centred on `centreOn` when given.
    void ShowMessage(QWidget* centreOn);

private:
    void CloseBtnClick();

    std::unique_ptr<Ui::FormAnnouncement> FUi;
    bool FPlaced = false;
};

// The display step of Check Announcement: shows "Announcement.txt" of the program folder in the
// announcement window (an empty file shows an empty window). Without the file it shows the error
// box "Announcement could not be displayed. You have not checked for announcement yet." and
// returns false. An existing file that cannot be read raises EFOpenError. Fetching the
// announcement, the status line and the on-line flags are the caller's.
bool ShowAnnouncement(QWidget* centreOn = nullptr);
