#include "AppState.h"

#include "Constants.h"
#include "Dates.h"
#include "Global.h"
#include "PageTransfer.h"

#include <QApplication>
#include <QLocale>
#include <QRegularExpression>

bool StartingUp = false;
bool DataFileFailed = false;

QString ShortDatePatternFromLocale(const QString& qtPattern) {
    QString p = qtPattern;
    // Names of days or months cannot be read back reliably; fall back to numbers.
    if (p.contains("ddd") || p.contains("MMM") || !p.contains('d') || !p.contains('M') || !p.contains('y'))
        return QStringLiteral("dd/MM/yyyy");
    if (!p.contains("yyyy"))
        p.replace(QRegularExpression("y+"), "yyyy");
    return p;
}

void ConfigureApplication() {
    QApplication::setApplicationName(QString::fromUtf8(AppTitle));
    // No display name: the platform would append it to every specified window caption.
    SetShortDateFormat(ShortDatePatternFromLocale(QLocale::system().dateFormat(QLocale::ShortFormat)).toStdString());
}

void ResetAppState() {
    ResetProgramState();
    AnnouncementPending = false;
    StartingUp = false;
    DataFileFailed = false;
}
