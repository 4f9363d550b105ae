#include "Dialogs.h"

#include "Constants.h"
#include "Errors.h"
#include "Format.h"
#include "PicturePreviewDialog.h"
#include "QtText.h"

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPointer>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QScreen>

namespace {

QPointer<QWidget> DialogParent;

class TRealDialogs : public TDialogSeam {
public:
    int MessageBox(const QString& text, int flags) override {
        return CaptionedMessageBox(ApplicationTitle(), text, flags);
    }

    int CaptionedMessageBox(const QString& caption, const QString& text, int flags) override {
        QMessageBox box(DialogParent);
        box.setWindowTitle(caption);
        box.setText(text);
        switch (flags & 0xF0) {
        case Mb::IconError:
            box.setIcon(QMessageBox::Critical);
            break;
        case Mb::IconQuestion:
            box.setIcon(QMessageBox::Question);
            break;
        case Mb::IconExclamation:
            box.setIcon(QMessageBox::Warning);
            break;
        case Mb::IconInformation:
            box.setIcon(QMessageBox::Information);
            break;
        default:
            break;
        }
        struct TButton {
            QMessageBox::StandardButton Button;
            int Id;
        };
        std::vector<TButton> buttons;
        switch (flags & 0x0F) {
        case Mb::OkCancel:
            buttons = {{QMessageBox::Ok, Mb::IdOk}, {QMessageBox::Cancel, Mb::IdCancel}};
            break;
        case Mb::YesNoCancel:
            buttons = {{QMessageBox::Yes, Mb::IdYes},
                       {QMessageBox::No, Mb::IdNo},
                       {QMessageBox::Cancel, Mb::IdCancel}};
            break;
        case Mb::YesNo:
            buttons = {{QMessageBox::Yes, Mb::IdYes}, {QMessageBox::No, Mb::IdNo}};
            break;
        case Mb::SaveDiscardCancel:
            buttons = {{QMessageBox::Save, Mb::IdYes},
                       {QMessageBox::Discard, Mb::IdNo},
                       {QMessageBox::Cancel, Mb::IdCancel}};
            break;
        default:
            buttons = {{QMessageBox::Ok, Mb::IdOk}};
            break;
        }
        QMessageBox::StandardButtons set;
        for (const TButton& b : buttons)
            set |= b.Button;
        box.setStandardButtons(set);
        box.setDefaultButton(buttons.front().Button);
        if (QAbstractButton* cancel = box.button(QMessageBox::Cancel))
            box.setEscapeButton(cancel);
        box.exec();
        QAbstractButton* clicked = box.clickedButton();
        for (const TButton& b : buttons)
            if (clicked == box.button(b.Button))
                return b.Id;
        // Closing the box by its frame counts as Cancel where there is one, else as the only answer.
        for (const TButton& b : buttons)
            if (b.Id == Mb::IdCancel)
                return Mb::IdCancel;
        return buttons.size() == 1 ? Mb::IdOk : Mb::IdNo;
    }

    bool InputBox(const QString& caption, const QString& prompt, QString& value) override {
        bool ok = false;
        const QString text =
            QInputDialog::getText(DialogParent, caption, prompt, QLineEdit::Normal, value, &ok);
        if (ok)
            value = text;
        return ok;
    }

    QString OpenFileName(const QString& caption, const QString& filter) override {
        return QFileDialog::getOpenFileName(DialogParent, caption, QString(), filter);
    }

    QString SaveFileName(const QString& caption, const QString& filter, const QString& suggested) override {
        return QFileDialog::getSaveFileName(DialogParent, caption, suggested, filter);
    }

    QString OpenPictureFileName(const QString& caption, const QString& filter) override {
        return RunPictureDialog(caption, filter, QString(), false);
    }

    QString SavePictureFileName(const QString& caption, const QString& filter,
                                const QString& suggested) override {
        return RunPictureDialog(caption, filter, suggested, true);
    }

    int ExecDialog(QDialog& dialog) override { return dialog.exec(); }

    bool PrintDialog(QPrinter& printer) override {
        QPrintDialog dialog(&printer, DialogParent);
        return dialog.exec() == QDialog::Accepted;
    }

private:
    static QString RunPictureDialog(const QString& caption, const QString& filter, const QString& suggested,
                                    bool save) {
        const std::unique_ptr<QFileDialog> dialog =
            MakePictureFileDialog(DialogParent, caption, filter, suggested, save);
        if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty())
            return {};
        return dialog->selectedFiles().front();
    }
};

TRealDialogs RealDialogs;
TDialogSeam* CurrentSeam = nullptr;
std::function<void(bool)> ModalHook;
int OpenQuestions = 0;

bool IsInput(QEvent::Type type) {
    switch (type) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
        return true;
    default:
        return false;
    }
}

// Swallows every key, button and wheel event while it is installed.
class TInputEater : public QObject {
public:
    bool eventFilter(QObject*, QEvent* event) override { return IsInput(event->type()); }
};

// Input that was already waiting when a question opens was meant for what came before it (keys
// held on the tree, Enter typed for another window): it is delivered to nothing, so that only
// what the user does once the question is shown can answer it.
void DropWaitingInput() {
    if (!QCoreApplication::instance())
        return;
    for (QEvent::Type type :
         {QEvent::KeyPress, QEvent::KeyRelease, QEvent::ShortcutOverride, QEvent::MouseButtonPress,
          QEvent::MouseButtonRelease, QEvent::MouseButtonDblClick, QEvent::Wheel})
        QCoreApplication::removePostedEvents(nullptr, type);
    // What the window system holds for us is read now and swallowed; the question's own event loop
    // would otherwise hand it to the question. A seam that shows nothing runs no event loop.
    if (CurrentSeam)
        return;
    TInputEater eater;
    QCoreApplication::instance()->installEventFilter(&eater);
    QCoreApplication::processEvents(QEventLoop::ExcludeSocketNotifiers);
    QCoreApplication::instance()->removeEventFilter(&eater);
}

// Asks the seam in use, with the hook told before and after.
template <class F> auto Around(F&& ask) {
    struct TScope {
        TScope() {
            ++OpenQuestions;
            DropWaitingInput();
            if (ModalHook)
                ModalHook(true);
        }
        ~TScope() {
            --OpenQuestions;
            if (ModalHook)
                ModalHook(false);
        }
    } scope;
    return ask(CurrentSeam ? *CurrentSeam : RealDialogs);
}

// Every question goes through here.
class TAnnouncingSeam : public TDialogSeam {
public:
    int MessageBox(const QString& text, int flags) override {
        return Around([&](TDialogSeam& s) { return s.MessageBox(text, flags); });
    }
    int CaptionedMessageBox(const QString& caption, const QString& text, int flags) override {
        return Around([&](TDialogSeam& s) { return s.CaptionedMessageBox(caption, text, flags); });
    }
    bool InputBox(const QString& caption, const QString& prompt, QString& value) override {
        return Around([&](TDialogSeam& s) { return s.InputBox(caption, prompt, value); });
    }
    QString OpenFileName(const QString& caption, const QString& filter) override {
        return Around([&](TDialogSeam& s) { return s.OpenFileName(caption, filter); });
    }
    QString SaveFileName(const QString& caption, const QString& filter, const QString& suggested) override {
        return Around([&](TDialogSeam& s) { return s.SaveFileName(caption, filter, suggested); });
    }
    QString OpenPictureFileName(const QString& caption, const QString& filter) override {
        return Around([&](TDialogSeam& s) { return s.OpenPictureFileName(caption, filter); });
    }
    QString SavePictureFileName(const QString& caption, const QString& filter,
                                const QString& suggested) override {
        return Around([&](TDialogSeam& s) { return s.SavePictureFileName(caption, filter, suggested); });
    }
    int ExecDialog(QDialog& dialog) override {
        FitToScreen(dialog);
        return Around([&](TDialogSeam& s) { return s.ExecDialog(dialog); });
    }
    bool PrintDialog(QPrinter& printer) override {
        return Around([&](TDialogSeam& s) { return s.PrintDialog(printer); });
    }
};

TAnnouncingSeam AnnouncingSeam;

} // namespace

TDialogSeam& DialogSeam() {
    return AnnouncingSeam;
}

void FitToScreen(QWidget& window) {
    const QWidget* parent = window.parentWidget() ? window.parentWidget() : DialogParent.data();
    const QScreen* screen = parent ? parent->screen() : window.screen();
    if (!screen)
        return;
    const QSize room = screen->availableGeometry().size();
    const QSize fitted = window.size().boundedTo(room);
    if (fitted == window.size())
        return;
    window.setMinimumSize(window.minimumSize().boundedTo(fitted));
    window.resize(fitted);
}

void SetModalHook(std::function<void(bool opening)> hook) {
    ModalHook = std::move(hook);
}

void SetDialogSeam(TDialogSeam* seam) {
    CurrentSeam = seam;
}

bool QuestionOpen() {
    return OpenQuestions > 0;
}

void SetDialogParent(QWidget* parent) {
    DialogParent = parent;
}

QString ApplicationTitle() {
    return QString::fromUtf8(AppTitle);
}

int AppMessageBox(const QString& text, int flags) {
    return DialogSeam().MessageBox(text, flags);
}

int AppMessageBox(const std::string& text, int flags) {
    return AppMessageBox(ToQ(text), flags);
}

int CaptionedMessageBox(const QString& caption, const std::string& text, int flags) {
    return DialogSeam().CaptionedMessageBox(caption, ToQ(text), flags);
}

void ShowErrorText(const std::string& text) {
    QApplication::beep();
    AppMessageBox(text, Mb::IconError);
}

void ShowErrorBox(const std::string& format) {
    ShowErrorBox(format, {});
}

void ShowErrorBox(const std::string& format, const std::vector<TFormatArg>& args) {
    QApplication::beep();
    AppMessageBox(Format(format, args), Mb::IconError);
}

std::string DefaultErrorText(const std::string& text) {
    if (!text.empty() && static_cast<unsigned char>(text.back()) > '.')
        return text + ".";
    return text;
}

void ShowDefaultErrorReport(const std::string& text) {
    AppMessageBox(DefaultErrorText(text), Mb::IconError);
}

bool RunAction(const std::function<void()>& body) {
    try {
        body();
        return true;
    } catch (const EAbort&) {
        return false;
    } catch (const std::exception& e) {
        ShowDefaultErrorReport(e.what());
        return false;
    } catch (...) {
        ShowDefaultErrorReport("Unknown error");
        return false;
    }
}
