#include "AppState.h"
#include "Dialogs.h"
#include "Form_Main.h"
#include "Form_Splash.h"
#include "TimerEx.h"

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
        // An error in a timer's handler goes to the default error report; the timer goes on.
        SetTimerErrorHandler([](std::exception_ptr e) { RunAction([&] { std::rethrow_exception(e); }); });
        TFormMain main(splash);
        main.show();
        result = app.exec();
    }
    return result;
}
