#include "AppState.h"
#include "Form_Main.h"
#include "Form_Splash.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    int result = 0;
    {
        auto* splash = new TFormSplash;
        splash->show();
        splash->repaint();
        QApplication::processEvents();
        ConfigureApplication();
        TFormMain main(splash);
        main.show();
        result = app.exec();
    }
    return result;
}
