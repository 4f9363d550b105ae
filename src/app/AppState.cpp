#include "AppState.h"

#include "CommandLine.h"
#include "Constants.h"
#include "Dates.h"
#include "GenusSearch.h"
#include "JpegDecoder.h"
#include "Global.h"
#include "PageTransfer.h"
#include "SockIO.h"
#include "TimerEx.h"
#include "UrlLabel.h"

#include <QApplication>
#include <QIcon>
#include <QLocale>
#include <QRegularExpression>

namespace {
std::function<void()> QuitRequestHandler;
bool QuitRequestedFlag = false;
}

bool QuitWasRequested() { return QuitRequestedFlag; }

void SetQuitRequestHandler(std::function<void()> handler) {
    QuitRequestHandler = std::move(handler);
}

void RequestQuit() {
    QuitRequestedFlag = true;
    if (QuitRequestHandler)
        QuitRequestHandler();
}

QString ShortDatePatternFromLocale(const QString& qtPattern) {
    QString p = qtPattern;
    // Names of days or months cannot be read back reliably; fall back to numbers.
    if (p.contains("ddd") || p.contains("MMM") || !p.contains('d') || !p.contains('M') || !p.contains('y'))
        return QStringLiteral("dd/MM/yyyy");
    if (!p.contains("yyyy"))
        p.replace(QRegularExpression("y+"), "yyyy");
    return p;
}

QIcon ProgramIcon() {
    // The resources live in a static library: nothing else would pull them into the program.
    Q_INIT_RESOURCE(icons);
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/orvandel-viewer-%1.png").arg(size), QSize(size, size));
    return icon;
}

void ConfigureApplication() {
    QApplication::setApplicationName(QString::fromUtf8(AppTitle));
    QApplication::setApplicationVersion(QString::fromLatin1(ProgramVersionLong));
    // Every window, the about box included, shows the icon the desktop menu shows.
    QApplication::setWindowIcon(ProgramIcon());
    // The id of the installed menu entry: Wayland shells match windows to it for the icon.
    QApplication::setDesktopFileName(QString::fromLatin1(ORV_APP_ID));
    // No display name: the platform would append it to every specified window caption.
    SetShortDateFormat(
        ShortDatePatternFromLocale(QLocale::system().dateFormat(QLocale::ShortFormat)).toStdString());
}

void ResetAppState() {
    ResetProgramState();
    ResetSearchState();
    // The hooks the window, the program or a test put in place go back to their defaults.
    SetQuitRequestHandler({});
    QuitRequestedFlag = false;
    SetHostLookup({});
    SetTimerErrorHandler({});
    TUrlLabel::SetOpener({});
    ResetJpegLimits();
}
