#include "AppState.h"
#include "CommandLine.h"
#include "DataFolder.h"
#include "Dialogs.h"
#include "Form_Main.h"
#include "Form_Splash.h"
#include "InstanceLock.h"
#include "Options.h"
#include "Platform.h"
#include "TimerEx.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QStatusBar>

#include <cstdio>
#include <iostream>

namespace {

// A permanent part of the status line, so the specified status texts stay as they are.
void ShowDataFolder(TFormMain& window, const QString& folder) {
    QString shown = QDir::toNativeSeparators(folder);
    const QString home = QDir::homePath();
    if (home.size() > 1 && shown.startsWith(home + '/'))
        shown = '~' + shown.mid(home.size());
    auto* label = new QLabel(QStringLiteral("Data: %1").arg(shown), &window);
    label->setObjectName(QStringLiteral("DataFolderLabel"));
    label->setToolTip(QStringLiteral("The program keeps its files in %1").arg(folder));
    window.statusBar()->addPermanentWidget(label);
}

} // namespace

int main(int argc, char* argv[]) {
    // Before any window: --help and --version need no display.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const TCommandLine line = ParseCommandLine(arguments);
    if (line.Action == TCommandLine::TAction::Compare) {
        std::ios::sync_with_stdio(false); // nothing else writes; a long list goes out in large pieces
        return RunCompare(line, std::cout, std::cerr);
    }
    if (line.Action == TCommandLine::TAction::Match) {
        std::ios::sync_with_stdio(false);
        return RunMatch(line, std::cout, std::cerr);
    }
    if (line.Action != TCommandLine::TAction::Run) {
        std::fputs(line.Output.toLocal8Bit().constData(),
                   line.Action == TCommandLine::TAction::Fail ? stderr : stdout);
        return line.ExitCode;
    }

    QApplication app(argc, argv);
    ConfigureApplication();
    QuitOnSignals(&app);
    // An error in a timer's handler goes to the default error report; the timer goes on.
    SetTimerErrorHandler([](std::exception_ptr e) { RunAction([&] { std::rethrow_exception(e); }); });
    // Settled before start-up touches the folder (stale temporary files, program files, options).
    try {
        const TDataFolder folder =
            ChooseDataFolder(DataFolderRequestFromEnvironment(line.DataDir.toStdString()));
        SetProgramFolder(folder.Folder);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "orvandel-viewer: %s\n", e.what());
        ShowErrorText(e.what());
        return 1;
    }
    SetOfflineForThisRun(line.Offline);
    // Before start-up reads or cleans anything in the folder: another copy may be using it.
    TInstanceLock instance(QString::fromStdString(ProgramFolder()));
    if (!instance.Acquire()) {
        const QString text =
            FolderInUseMessage(QString::fromStdString(ProgramFolder()), instance.HolderPid());
        std::fprintf(stderr, "orvandel-viewer: %s\n", text.toLocal8Bit().constData());
        AppMessageBox(text, Mb::Ok | Mb::IconInformation);
        return 1;
    }
    if (instance.Unsafe())
        std::fprintf(stderr,
                     "orvandel-viewer: %s is not a plain file; the data folder is used without a lock.\n",
                     instance.LockPath().toLocal8Bit().constData());

    int result = 0;
    {
        auto* splash = new TFormSplash;
        splash->show();
        splash->repaint();
        QApplication::processEvents();
        TFormMain main(splash);
        ShowDataFolder(main, QString::fromStdString(ProgramFolder()));
        QObject::connect(&instance, &TInstanceLock::RaiseRequested, &main, [&main] {
            main.setWindowState((main.windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
            main.show();
            main.raise();
            main.activateWindow();
        });
        main.show();
        // A signal during start-up has left the event loops already; exec would wait for another.
        if (!QuitWasRequested())
            result = app.exec();
    }
    return result;
}
