// Every modal question of the program goes through one replaceable seam, so that tests can
// answer it without showing anything and fail on a question they did not expect.
#pragma once

#include <QString>
#include <functional>
#include <string>
#include <vector>

class QDialog;
class QPrinter;
class QWidget;

// Message box flags and results, as the data files and texts of the program use them.
namespace Mb {
constexpr int Ok = 0;
constexpr int OkCancel = 1;
constexpr int YesNoCancel = 3;
constexpr int YesNo = 4;
// Save, Discard and Cancel buttons (Save the default, Escape Cancel), answered IdYes, IdNo, IdCancel.
constexpr int SaveDiscardCancel = 8;
constexpr int IconError = 16;
constexpr int IconQuestion = 32;
constexpr int IconExclamation = 48;
constexpr int IconInformation = 64;
constexpr int IdOk = 1;
constexpr int IdCancel = 2;
constexpr int IdYes = 6;
constexpr int IdNo = 7;
} // namespace Mb

class TDialogSeam {
public:
    virtual ~TDialogSeam() = default;
    // A message box captioned with the application title; returns one of the Mb::Id* values.
    virtual int MessageBox(const QString& text, int flags) = 0;
    // The same with a caption of its own instead of the application title.
    virtual int CaptionedMessageBox(const QString& caption, const QString& text, int flags) = 0;
    // An input box; returns false on Cancel and leaves value unchanged then.
    virtual bool InputBox(const QString& caption, const QString& prompt, QString& value) = 0;
    // File dialogs; an empty result means Cancel.
    virtual QString OpenFileName(const QString& caption, const QString& filter) = 0;
    virtual QString SaveFileName(const QString& caption, const QString& filter, const QString& suggested) = 0;
    // The picture dialogs (with a preview in the real ones); answered as the file dialogs unless
    // a seam says otherwise.
    virtual QString OpenPictureFileName(const QString& caption, const QString& filter) {
        return OpenFileName(caption, filter);
    }
    virtual QString SavePictureFileName(const QString& caption, const QString& filter,
                                        const QString& suggested) {
        return SaveFileName(caption, filter, suggested);
    }
    // One of our own modal forms; returns the dialog's result code (QDialog::Accepted / Rejected).
    virtual int ExecDialog(QDialog& dialog) = 0;
    // The toolkit's print dialog: true when the user chose to print, with `printer` set up as
    // chosen. A seam that does not expect it answers Cancel.
    virtual bool PrintDialog(QPrinter& /*printer*/) { return false; }
};

// The seam in use; the program's own shows real dialogs. SetDialogSeam(nullptr) restores it.
TDialogSeam& DialogSeam();
void SetDialogSeam(TDialogSeam* seam);
// Told before each question of the seam (true) and after it (false); nothing when empty.
void SetModalHook(std::function<void(bool opening)> hook);
// Whether a question of the seam is being asked now.
bool QuestionOpen();
// The window the real dialogs are parented to (the main window once it exists).
void SetDialogParent(QWidget* parent);

QString ApplicationTitle();

// A window's first size is at most the screen's available room (the screen of the dialog parent,
// or of the window): a form laid out for a large screen, or at a large scale, is made smaller,
// its minimum size with it. Every dialog of the seam gets it before it is shown.
void FitToScreen(QWidget& window);

int AppMessageBox(const QString& text, int flags);
int AppMessageBox(const std::string& text, int flags);
int CaptionedMessageBox(const QString& caption, const std::string& text, int flags);
// Beeps and shows a text that is complete already (no placeholders are read in it).
void ShowErrorText(const std::string& text);

// Beeps, formats "%s"/"%d" placeholders and shows the result with the error icon.
class TFormatArg;
void ShowErrorBox(const std::string& format);
void ShowErrorBox(const std::string& format, const std::vector<TFormatArg>& args);

// The application's default error report: the text with a period added when it ends in a
// character that sorts after the period.
void ShowDefaultErrorReport(const std::string& text);
std::string DefaultErrorText(const std::string& text);

// Runs one user command: an escaped exception is shown by the default error report, the silent
// abort is swallowed. Returns false when the command ended with an exception.
bool RunAction(const std::function<void()>& body);
