// Answers the program's modal questions in tests: each expected question is checked for its text
// and flags and gets its planned answer; any other question is recorded as a failure.
#pragma once

#include "Dialogs.h"

#include <QDialog>
#include <QList>
#include <QPrinter>
#include <QStringList>
#include <functional>

// Every planned question was asked and nothing else; the report says what went wrong.
#define CHECK_DIALOGS(d) QVERIFY2((d).AllAnswered(), qPrintable((d).Report()))

class TScriptedDialogs : public TDialogSeam {
public:
    struct TExpected {
        QString Kind; // "message", "input", "open", "save", "dialog", "print"
        QString Text; // the message or prompt must contain this
        int Flags = -1;
        int Answer = 0;
        QString Value; // input text / file name
        std::function<int(QDialog&)> Act;
    };

    TScriptedDialogs() { SetDialogSeam(this); }
    ~TScriptedDialogs() override { SetDialogSeam(nullptr); }

    void ExpectMessage(const QString& text, int flags, int answer) {
        Expected.append({"message", text, flags, answer, {}, {}});
    }
    void ExpectInput(const QString& prompt, bool ok, const QString& value) {
        Expected.append({"input", prompt, -1, ok ? 1 : 0, value, {}});
    }
    void ExpectDialog(const QString& objectName, std::function<int(QDialog&)> act) {
        Expected.append({"dialog", objectName, -1, 0, {}, std::move(act)});
    }

    // The print dialog: `setUp` makes the choices (a PDF file to print to) and `ok` prints.
    void ExpectPrint(bool ok, std::function<void(QPrinter&)> setUp) {
        Expected.append({"print", {}, -1, ok ? 1 : 0, {}, {}});
        PrintSetUps.append(std::move(setUp));
    }

    // Called with each message before it is answered, to look at the program while it asks.
    std::function<void(const QString&)> OnMessage;

    int MessageBox(const QString& text, int flags) override {
        Messages << text;
        if (OnMessage)
            OnMessage(text);
        TExpected e;
        if (!Next("message", text, e))
            return (flags & 0x0F) == 0 ? 1 : 2;
        if (e.Flags >= 0 && e.Flags != flags)
            Failures << QString("flags %1 instead of %2 for: %3").arg(flags).arg(e.Flags).arg(text);
        return e.Answer;
    }
    int CaptionedMessageBox(const QString& caption, const QString& text, int flags) override {
        Captions << caption;
        return MessageBox(text, flags);
    }
    bool InputBox(const QString& caption, const QString& prompt, QString& value) override {
        Messages << caption + ": " + prompt;
        TExpected e;
        if (!Next("input", prompt, e))
            return false;
        if (e.Answer)
            value = e.Value;
        return e.Answer != 0;
    }
    QString OpenFileName(const QString& caption, const QString&) override {
        TExpected e;
        return Next("open", caption, e) ? e.Value : QString();
    }
    QString SaveFileName(const QString& caption, const QString&, const QString&) override {
        TExpected e;
        return Next("save", caption, e) ? e.Value : QString();
    }
    int ExecDialog(QDialog& dialog) override {
        TExpected e;
        if (!Next("dialog", dialog.objectName(), e))
            return QDialog::Rejected;
        return e.Act ? e.Act(dialog) : QDialog::Rejected;
    }
    bool PrintDialog(QPrinter& printer) override {
        TExpected e;
        if (!Next("print", QString(), e))
            return false;
        if (const auto setUp = PrintSetUps.takeFirst())
            setUp(printer);
        return e.Answer != 0;
    }

    // Every planned question was asked and nothing else.
    bool AllAnswered() const { return Expected.isEmpty() && Failures.isEmpty(); }
    QString Report() const {
        QStringList lines = Failures;
        for (const TExpected& e : Expected)
            lines << "not asked: " + e.Kind + " " + e.Text;
        return lines.join('\n');
    }

    QStringList Messages;
    QStringList Captions;
    QStringList Failures;
    QList<TExpected> Expected;
    QList<std::function<void(QPrinter&)>> PrintSetUps;

private:
    bool Next(const QString& kind, const QString& text, TExpected& out) {
        if (Expected.isEmpty() || Expected.front().Kind != kind || !text.contains(Expected.front().Text)) {
            Failures << "unexpected " + kind + ": " + text;
            return false;
        }
        out = Expected.takeFirst();
        return true;
    }
};
