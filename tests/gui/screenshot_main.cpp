// Developer aid, not a test: starts the main window on a program folder, selects a branch and
// saves a picture of the window. Usage: gui_screenshot <program folder> <level> <id> <out.png>
// ("splash" for the level takes a picture of the splash window instead; "all" for the level
// saves every page and every dialog into the folder <out>, to look for clipped texts at each
// QT_SCALE_FACTOR).
#include "AppState.h"
#include "Dialogs.h"
#include "FormMainTestAccess.h"
#include "Form_About.h"
#include "Form_AddBranch.h"
#include "Form_Announcement.h"
#include "Form_DeleteUserDB.h"
#include "Form_HelpViewer.h"
#include "Form_Main.h"
#include "Form_Splash.h"
#include "Form_SubmitInfo.h"
#include "Form_WhatChanged.h"
#include "Global.h"

#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QScreen>
#include <QTabWidget>
#include <QTimer>
#include <functional>
#include <memory>

namespace {

void SaveEveryView(TFormMain& w, const QString& folder) {
    QDir().mkpath(folder);
    auto* pages = w.findChild<QTabWidget*>("MainPageControl");
    auto* info = w.findChild<QTabWidget*>("InfoPageControl");
    for (int page = 0; page < pages->count(); ++page) {
        // Each main page once beside each visible page of the right side.
        pages->setCurrentIndex(page);
        for (int tab = 0; tab < info->count(); ++tab) {
            if (!info->isTabVisible(tab))
                continue;
            info->setCurrentIndex(tab);
            QApplication::processEvents();
            w.grab().save(QStringLiteral("%1/main-%2-%3.png").arg(folder).arg(page).arg(tab));
        }
    }
    const std::pair<const char*, std::function<std::unique_ptr<QWidget>()>> dialogs[] = {
        {"about", [] { return std::make_unique<TAboutBox>(); }},
        {"add-branch", [] { return std::make_unique<TFormAddBranch>(); }},
        {"announcement", [] { return std::make_unique<TFormAnnouncement>(); }},
        {"delete-user-db", [] { return std::make_unique<TFormDeleteUserDB>(); }},
        {"help",
         [] {
             auto help = std::make_unique<THelpViewer>();
             help->ShowContents(AppFile("classify.hlp"));
             return help;
         }},
        {"submit", [] { return std::make_unique<TFormSubmitInfo>(); }},
        {"what-changed",
         [] {
             TDataComparison comparison = CompareDataFolders(ProgramFolder(), ProgramFolder());
             comparison.Changes = {
                 {TDataChangeKind::Renamed, 5, "g1", "Alpha", "Name", "Alphus", "Alpha"},
                 {TDataChangeKind::RecordChanged, 4, "f1", "Familia", "Meaning", "old\ntext", "new"},
                 {TDataChangeKind::UserRecordReplaced, 5, "g7", "Septima", "", "", ""}};
             return std::make_unique<TFormWhatChanged>(comparison, nullptr);
         }},
    };
    for (const auto& [name, make] : dialogs) {
        const std::unique_ptr<QWidget> dialog = make();
        dialog->show();
        QApplication::processEvents();
        dialog->grab().save(QStringLiteral("%1/%2.png").arg(folder, QLatin1String(name)));
    }
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    if (argc < 5)
        return 2;
    ConfigureApplication();
    if (QString::fromLocal8Bit(argv[2]) == "splash") {
        TFormSplash splash;
        splash.show();
        return splash.grab().save(QString::fromLocal8Bit(argv[4])) ? 0 : 1;
    }
    SetProgramFolder(argv[1]);
    TFormMain w;
    w.resize(1000, 720);
    w.show();
    const bool all = QString::fromLocal8Bit(argv[2]) == "all";
    TFormMainTestAccess::SelectBranch(w, all ? 5 : std::atoi(argv[2]), argv[3]);
    if (all && argc > 5) // a genus without a picture, for the Image page's button
        TFormMainTestAccess::SelectBranch(w, 5, argv[5]);
    QTimer::singleShot(600, [&] {
        if (all) {
            SaveEveryView(w, QString::fromLocal8Bit(argv[4]));
        } else {
            // Under a real display (xvfb-run) the screen itself is taken, as a person sees it.
            QScreen* screen = QGuiApplication::primaryScreen();
            const QPixmap picture =
                QGuiApplication::platformName() == "xcb" && screen ? screen->grabWindow(0) : w.grab();
            picture.save(QString::fromLocal8Bit(argv[4]));
        }
        app.quit();
    });
    return app.exec();
}
