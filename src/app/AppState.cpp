#include "AppState.h"

#include "CommandLine.h"
#include "Constants.h"
#include "Dates.h"
#include "Dialogs.h"
#include "GenusSearch.h"
#include "Global.h"
#include "JpegDecoder.h"
#include "PageTransfer.h"
#include "SockIO.h"
#include "TimerEx.h"
#include "UrlLabel.h"

#include <QApplication>
#include <QIcon>
#include <QLocale>
#include <QRegularExpression>
#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {
std::function<void()> QuitRequestHandler;
bool QuitRequestedFlag = false;
} // namespace

bool QuitWasRequested() {
    return QuitRequestedFlag;
}

void SetQuitRequestHandler(std::function<void()> handler) {
    QuitRequestHandler = std::move(handler);
}

void RequestQuit() {
    QuitRequestedFlag = true;
    if (QuitRequestHandler)
        QuitRequestHandler();
}

namespace {

int SignalPipe[2] = {-1, -1};

void OnQuitSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = write(SignalPipe[1], &byte, 1);
}

} // namespace

void QuitOnSignals(QObject* owner) {
    if (pipe2(SignalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    auto* notifier = new QSocketNotifier(SignalPipe[0], QSocketNotifier::Read, owner);
    QObject::connect(notifier, &QSocketNotifier::activated, owner, [] {
        char buffer[16];
        while (read(SignalPipe[0], buffer, sizeof buffer) > 0) {
        }
        RequestQuit();
        QCoreApplication::exit(0);
    });
    struct sigaction action = {};
    action.sa_handler = OnQuitSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGTERM, SIGINT, SIGHUP})
        sigaction(signal, &action, nullptr);
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
    SetModalHook({});
    SetDialogParent(nullptr);
    ResetJpegLimits();
}
