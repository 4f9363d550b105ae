// Commands of the Help menu, the statistics, the announcement and the submission.
#include "Form_Main.h"

#include "Dialogs.h"
#include "Form_Announcement.h"
#include "Form_HelpViewer.h"
#include "Form_SubmitInfo.h"
#include "NetHelpers.h"
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

void TFormMain::StatisticCommand() {
    SetStatus("Calculating statistic...");
    const QDate date = QDate(1899, 12, 30).addDays(Options.LastUpdate);
    const std::string dateText = FromQ(QLocale().toString(date, QStringLiteral("dddd d, MMMM, yyyy")));
    const std::string report = StatisticReport(dateText);
    SetStatus("Ready");
    CaptionedMessageBox(QStringLiteral("Local Database Statistic"), report, Mb::IconInformation);
}

void TFormMain::HelpContents() { THelpViewer::Instance().ShowContents(AppFile(HelpFileName)); }

void TFormMain::HelpWhatsNew() { THelpViewer::Instance().ShowTopic(AppFile(HelpFileName), 502); }

std::string SurveyAddress() { return Options.URL + NetPaths.SurveyPage; }

std::string SuggestionAddress() {
    // The joined text is the format; a page without a placeholder opens unchanged. Only the
    // placeholder is replaced, so a "%" written in the address itself stays as it is.
    std::string address = Options.URL + NetPaths.SubmitPage;
    const size_t at = address.find("%s");
    if (at != std::string::npos)
        address.replace(at, 2, "[QXClassify] Suggestion");
    return address;
}

void TFormMain::HelpSurvey() { OpenInBrowser(SurveyAddress()); }

void TFormMain::HelpSubmitSuggestion() { OpenInBrowser(SuggestionAddress()); }

// ---- the announcement ----

void TFormMain::CheckAnnouncement() {
    TServerCommand command(*this);
    AnnouncementPending = false;
    if (Pages_.CouldGoOnline() && !AnnouncementChecked && !Http_.Busy())
        Pages_.GetPage(std::string(), std::string());
    ShowAnnouncement(this);
    SetStatus("Ready");
}

// ---- submission ----

void TFormMain::SubmitUserDatabasesCommand() {
    if (ModifiedFiles.Empty()) {
        AppMessageBox(std::string("No file is waiting to be uploaded"), Mb::IconExclamation);
        return;
    }
    SubmitUserDatabases();
}

void TFormMain::SubmitUserDatabases() {
    TServerCommand command(*this);
    const TStringList pictures = CollectSubmitImages(ModifiedFiles.Items());
    const TSubmitInfoResult answer = RunSubmitDialog(ModifiedFiles.Items(), pictures, this);
    if (!answer.Accepted)
        return;
    TStringList upload = answer.UploadList();
    PostFiles(upload, answer.Name, answer.Email);
    // Only a posting loop that ran to its end empties the list; an error above keeps it whole.
    ModifiedFiles.Clear();
}

void TFormMain::PostFiles(TStringList& upload, const std::string& name, const std::string& email) {
    if (upload.empty())
        return;
    int failures = 0;
    // The values are percent-encoded so that no name or address can break the query.
    const std::string extra = Format("&name=%s&email=%s", {PercentEncode(name), PercentEncode(email)});
    const int total = static_cast<int>(upload.size());
    for (int i = 0; i < total; ++i) {
        const std::string& entry = upload[static_cast<size_t>(i)];
        SetStatus(Format("Uploading data to Velmora server...%d of %d", {i + 1, total}));
        // Encoded too: a picture name with a space, "&" or "+" would otherwise reach the server cut
        // short or changed.
        const std::string path =
            Format(NetPaths.UserControl, {"submitdb", PercentEncode(ExtractFileName(entry)), extra});
        bool posted = false;
        try {
            posted = Pages_.PostPage(path, entry);
        } catch (const ETransferAborted&) {
            // The window is closing: stop without a message; the list stays for the next time.
            throw EAbort();
        }
        if (!posted)
            ++failures;
    }
    SetStatus("Ready");
    if (failures == 0)
        AppMessageBox(Format("Thank You!\n\n%d File(s) posted successful. Tovren will review them and let you know "
                             "the result as soon as he could.",
                             {total}),
                      Mb::IconInformation);
    else
        AppMessageBox(Format("Thank You!\n\n%d File(s) posted successful. But %d mail(s) sending failed. You may "
                             "need to send an e-mail to Tovren in order to let him know what you have submit.",
                             {total, failures}),
                      Mb::IconExclamation);
    upload.clear();
}

TStringList CollectSubmitImages(const TStringList& modifiedFiles) {
    TStringList pictures;
    for (const std::string& path : modifiedFiles) {
        const std::string name = ExtractFileName(path);
        if ((name == "usr_genus.dat" || name == "genus.dat") && FileExists(AppFile(name)))
            AddGenusImages(AppFile(name), pictures);
    }
    return pictures;
}

void AddGenusImages(const std::string& genusFile, TStringList& pictures) {
    for (std::string& picture : GenusPictureNames(genusFile))
        if (FileExists(AppFile(std::string(ImagesFolderName) + picture)))
            pictures.push_back(std::move(picture));
}
