// The only way to the server: fetching one server path into a file or memory (with the user id
// handshake and the once-per-run announcement before the first download), posting one file, and
// the off-line gate. No Qt here; the window supplies the message boxes.
#pragma once

#include "Errors.h"
#include "NMHTTP.h"

#include <cstdint>
#include <functional>
#include <string>

// The silent abort of a command whose network failure has been reported already.
class EGetPageFail : public EAbort {
public:
    EGetPageFail()
        : EAbort("Network connection failure or file you requested could not be found on the server") {}
};

class TPageTransfer {
public:
    explicit TPageTransfer(TNMHTTP& http);

    // A message box (text, flags) returning the button pressed.
    std::function<int(const std::string& text, int flags)> MessageBox;
    // The error box: beep and error icon; the text is formatted already.
    std::function<void(const std::string& text)> ErrorBox;
    // True once the running command must stop (its transfer was aborted): no further request starts.
    std::function<bool()> Cancelled;

    // A download into `destination` of more than `maxBytes` (when above 0) stops as a network
    // failure and keeps the previous file.
    void GetPage(const std::string& path, const std::string& destination, std::int64_t maxBytes = 0);
    // True when the last GetPage fetched its path and the reply was a real file: a 200 or 203 with
    // the whole body (with a destination, the file was replaced). False when the id handshake
    // stopped it, the server refused (the network failure has been shown then) or the path was
    // empty.
    bool PageArrived() const { return FPageArrived; }
    // True while GetPage works on its own path (not the id handshake or the announcement), so that
    // a failure reported then is the path's.
    bool FetchingPath() const { return FFetchingPath; }
    bool PostPage(const std::string& path, const std::string& dataFile);
    bool CouldGoOnline();

    // The announcement is fetched once per run, before the first download of the run, and shown
    // when the command that fetched it has ended.
    bool AnnouncementChecked() const { return FAnnouncementChecked; }
    void SetAnnouncementChecked(bool checked) { FAnnouncementChecked = checked; }
    // Fetched and not shown yet.
    bool AnnouncementPending() const { return FAnnouncementPending; }
    void SetAnnouncementPending(bool pending) { FAnnouncementPending = pending; }
    void NMHTTPFailure(CmdType kind);

    // A user-control request: server address + UserControl filled with command, file and extras.
    std::string UserControlUrl(const std::string& command, const std::string& file,
                               const std::string& extra) const;

    // Set when CouldGoOnline asked its question; every server command clears it when it ends.
    bool OnlinePromptShown = false;

    // The text after the last "=", ":" or space of a "newid" reply, read as an integer.
    static bool ParseUserId(const std::string& reply, int& id);

    TNMHTTP& Http;

private:
    void Fetch(const std::string& url, const std::string& destination, std::int64_t maxBytes = 0);

    bool FPageArrived = false;
    bool FFetchingPath = false;

    bool FAnnouncementChecked = false;

    bool FAnnouncementPending = false;
};
