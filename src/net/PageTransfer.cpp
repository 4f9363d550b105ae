#include "PageTransfer.h"

#include "Format.h"
#include "Global.h"
#include "Options.h"
#include "Platform.h"

#include <cctype>
#include <climits>

namespace {
const char* const NetworkFailureText =
    "Network connection failure or file you requested could not be found on the server";
constexpr int MbYesNoQuestion = 36, IdYes = 6;
} // namespace

TPageTransfer::TPageTransfer(TNMHTTP& http) : Http(http) {
    Http.OnFailure = [this](CmdType kind) { NMHTTPFailure(kind); };
}

std::string TPageTransfer::UserControlUrl(const std::string& command, const std::string& file,
                                          const std::string& extra) const {
    return Options.URL.Get() + Format(NetPaths.UserControl, {command, file, extra});
}

bool TPageTransfer::ParseUserId(const std::string& reply, int& id) {
    const size_t cut = reply.find_last_of("=: ");
    const std::string rest = cut == std::string::npos ? reply : reply.substr(cut + 1);
    size_t i = 0;
    while (i < rest.size() && (rest[i] == ' ' || rest[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < rest.size() && (rest[i] == '+' || rest[i] == '-'))
        negative = rest[i++] == '-';
    if (i >= rest.size())
        return false;
    // The magnitude may reach 2147483648 for the one negative number without a positive twin.
    const long long limit = negative ? -static_cast<long long>(INT_MIN) : INT_MAX;
    long long value = 0;
    for (; i < rest.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(rest[i])))
            return false;
        value = value * 10 + (rest[i] - '0');
        if (value > limit)
            return false;
    }
    id = static_cast<int>(negative ? -value : value);
    return true;
}

void TPageTransfer::Fetch(const std::string& url, const std::string& destination, std::int64_t maxBytes) {
    Http.MaxFileBody = maxBytes;
    if (destination.empty()) {
        Http.InputFileMode = false;
        Http.Body.clear();
    } else {
        const std::string folder = ExtractFilePath(destination);
        if (!folder.empty() && !DirectoryExists(folder))
            ForceDirectories(folder);
        Http.InputFileMode = true;
        Http.Body = destination;
    }
    Http.Get(url);
}

void TPageTransfer::GetPage(const std::string& path, const std::string& destination, std::int64_t maxBytes) {
    // A command whose transfer was aborted (the window is closing) fetches nothing more.
    FPageArrived = false;
    if (Cancelled && Cancelled())
        throw EGetPageFail();
    // Until the path's failure, if any, has been reported.
    struct TPathStep {
        bool& Flag;
        ~TPathStep() { Flag = false; }
    } pathStep{FFetchingPath};
    try {
        if (Options.Id < 0) {
            SetStatus("Receiving user Id...");
            Fetch(UserControlUrl("newid", "", ""), "");
            int id = 0;
            // An error page is no id, whatever number it happens to end with.
            if (!Http.Committed() || !ParseUserId(Http.Body, id)) {
                if (ErrorBox)
                    ErrorBox(Format("Data convertion error while %s", {"obtaining user id"}));
                return;
            }
            Options.Id = id;
            WriteOptionId();
            SetStatus("Continue downloading file...");
        }
        if (!FAnnouncementChecked) {
            SetStatus("Checking Velmora Announcement...");
            Fetch(UserControlUrl("getnews", "", ""), AppFile(AnnouncementFileName));
            FAnnouncementChecked = true;
            FAnnouncementPending = true;
            SetStatus("Continue downloading file...");
        }
        if (!path.empty()) {
            FFetchingPath = true;
            Fetch(Options.URL.Get() + path, destination, maxBytes);
            FPageArrived = Http.Committed();
        }
    } catch (const ETransferAborted&) {
        // The window is closing: end the command without a message.
        SetStatus("Ready");
        throw EGetPageFail();
    } catch (const ESockError&) {
        if (ErrorBox)
            ErrorBox(NetworkFailureText);
        SetStatus("Ready");
        throw EGetPageFail();
    }
}

bool TPageTransfer::PostPage(const std::string& path, const std::string& dataFile) {
    if (Cancelled && Cancelled())
        throw EAbort();
    Http.InputFileMode = false;
    Http.Body.clear();
    Http.OutputFileMode = true;
    Http.Post(Options.URL.Get() + path, dataFile);
    if (Http.Body == "SUCCESS")
        return true;
    if (ErrorBox)
        ErrorBox(Format("Submit notification sending failed with following message:\n\n%s", {Http.Body}));
    return false;
}

void TPageTransfer::NMHTTPFailure(CmdType kind) {
    if (kind == CmdType::Get && ErrorBox)
        ErrorBox(NetworkFailureText);
}

bool TPageTransfer::CouldGoOnline() {
    if (!Options.OfflineMode)
        return true;
    if (OnlinePromptShown)
        return false;
    OnlinePromptShown = true;
    const int answer =
        MessageBox
            ? MessageBox(
                  "You are currently in off-line mode. Do you want to go on-line to download required data?",
                  MbYesNoQuestion)
            : 0;
    if (answer != IdYes)
        return false;
    Options.OfflineMode = false;
    return true;
}
