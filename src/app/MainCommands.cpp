#include "MainCommands.h"

#include "Dialogs.h"
#include "Form_HelpViewer.h"
#include "Global.h"
#include "Merge.h"
#include "QtText.h"

#include <QDate>
#include <QDesktopServices>
#include <QLocale>
#include <QUrl>

namespace {

void OpenInBrowser(const std::string& address) {
    // The outcome is not reported: a browser that cannot be started shows nothing here.
    QDesktopServices::openUrl(QUrl::fromUserInput(ToQ(address)));
}

} // namespace

void ShowStatistic() {
    SetStatus("Calculating statistic...");
    const QDate date = QDate(1899, 12, 30).addDays(Options.LastUpdate);
    const std::string dateText = FromQ(QLocale().toString(date, QStringLiteral("dddd d, MMMM, yyyy")));
    const std::string report = StatisticReport(dateText);
    SetStatus("Ready");
    CaptionedMessageBox(QStringLiteral("Local Database Statistic"), report, Mb::IconInformation);
}

void HelpContents() {
    THelpViewer::Instance().ShowContents(AppFile(HelpFileName));
}

void HelpWhatsNew() {
    THelpViewer::Instance().ShowTopic(AppFile(HelpFileName), 502);
}

std::string SurveyAddress() {
    return Options.URL.Get() + NetPaths.SurveyPage;
}

std::string SuggestionAddress() {
    // The joined text is the format; a page without a placeholder opens unchanged. Only the
    // placeholder is replaced, so a "%" written in the address itself stays as it is.
    std::string address = Options.URL.Get() + NetPaths.SubmitPage;
    const size_t at = address.find("%s");
    if (at != std::string::npos)
        address.replace(at, 2, "[QXClassify] Suggestion");
    return address;
}

void HelpSurvey() {
    OpenInBrowser(SurveyAddress());
}

void HelpSubmitSuggestion() {
    OpenInBrowser(SuggestionAddress());
}

void ChangeServerAddress() {
    QString address = ToQ(Options.URL.Get());
    if (DialogSeam().InputBox(QStringLiteral("Change Server Address"),
                              QStringLiteral("Type in address of Velmora website:"), address))
        Options.URL = FromQ(address);
}
