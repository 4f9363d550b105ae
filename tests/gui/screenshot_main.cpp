// Developer aid, not a test: starts the main window on a program folder, selects a branch and
// saves a picture of the window. Usage: gui_screenshot <program folder> <level> <id> <out.png>
// ("splash" for the level takes a picture of the splash window instead).
#include "AppState.h"
#include "Dialogs.h"
#include "Form_Main.h"
#include "Form_Splash.h"
#include "Global.h"

#include <QApplication>
#include <QPixmap>
#include <QScreen>
#include <QTimer>

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
    w.SelectBranch(std::atoi(argv[2]), argv[3]);
    QTimer::singleShot(600, [&] {
        // Under a real display (xvfb-run) the screen itself is taken, as a person sees it.
        QScreen* screen = QGuiApplication::primaryScreen();
        const QPixmap picture = QGuiApplication::platformName() == "xcb" && screen ? screen->grabWindow(0) : w.grab();
        picture.save(QString::fromLocal8Bit(argv[4]));
        app.quit();
    });
    return app.exec();
}
