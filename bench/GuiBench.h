// What the window benchmarks share: answers to every question, the large data set, a program
// folder of their own, and timing a step until the window has handled what it posted.
#pragma once

#include "BenchCommon.h"
#include "Dates.h"
#include "Dialogs.h"
#include "Platform.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEvent>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <fstream>
#include <functional>

// Answers every question with OK / No, so nothing ever waits for a person.
// Watches a widget for its next paint: the moment what is timed is on the screen.
class TPaintWatch : public QObject {
public:
    bool Painted = false;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            Painted = true;
        return false;
    }
};

class TAutoDialogs : public TDialogSeam {
public:
    int MessageBox(const QString&, int flags) override {
        return (flags & 0x0F) == 4 || (flags & 0x0F) == 3 ? 7 : 1;
    }
    int CaptionedMessageBox(const QString&, const QString& t, int f) override { return MessageBox(t, f); }
    bool InputBox(const QString&, const QString&, QString&) override { return false; }
    QString OpenFileName(const QString&, const QString&) override { return {}; }
    QString SaveFileName(const QString&, const QString&, const QString&) override { return {}; }
    int ExecDialog(QDialog&) override { return 0; }
};

// The large data set's folder, without a trailing '/'.
inline QString LargeData() {
    QString folder = QString::fromStdString(LargeDataFolder());
    folder.chop(1);
    return folder;
}

// A temporary program folder with the shipped data and options that ask nothing at start-up
// (this version, updated today); it becomes the program's folder.
inline QTemporaryDir* MakeProgramFolder() {
    auto* folder = new QTemporaryDir;
    const QString dst = folder->path() + "/";
    QDir data(QStringLiteral(ORV_SOURCE_DIR "/data"));
    for (const QString& f : data.entryList(QDir::Files))
        QFile::copy(data.filePath(f), dst + f);
    std::ofstream options((dst + "options.ini").toStdString(), std::ios::binary);
    options << "[UserInfo]\r\nAppVersion=2.2\r\n[Server]\r\nLastUpdate=" << FormatShortDate(Today())
            << "\r\n";
    SetProgramFolder(dst.toStdString());
    return folder;
}

// Times `step` in every iteration, until the events it posted are handled too; `before` runs
// first, untimed.
inline void TimeSteps(benchmark::State& state, const std::function<void()>& step,
                      const std::function<void()>& before = {}) {
    for (auto _ : state) {
        if (before) {
            before();
            QApplication::processEvents();
        }
        QElapsedTimer timer;
        timer.start();
        step();
        QApplication::processEvents();
        state.SetIterationTime(static_cast<double>(timer.nsecsElapsed()) / 1e9);
    }
}
