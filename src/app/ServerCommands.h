// The commands that talk to the Velmora server: downloads, merging after downloads, the
// announcement and the submission. Not a widget: it reaches the window through IServerHost, so
// tests can drive it with a scripted host.
#pragma once

#include "Detail.h"
#include "NMHTTP.h"
#include "PageTransfer.h"
#include "TaxonomyData.h"
#include "TextFiles.h"

#include <string>

class TTaxonomyTree;
class TTreeNode;
struct TSubmitInfoResult;

class IServerHost {
public:
    virtual ~IServerHost() = default;
    virtual TTaxonomyTree& Tree() = 0;
    virtual void SelectNode(TTreeNode* node) = 0;
    virtual void ExpandAll() = 0;
    virtual void ApplySavedTreeState() = 0;
    // Shows the picture on the Image page (hiding the Show Image button); false when it cannot be
    // read.
    virtual bool ShowGenusImage(const std::string& pictureName) = 0;
    virtual TSubmitInfoResult RunSubmitDialog(const TStringList& files, const TStringList& pictures) = 0;
    virtual void ShowAnnouncement() = 0;
    // A transfer started or ended: enabled states follow.
    virtual void TransferStateChanged() = 0;
    // Bytes of the running transfer (total -1 when unknown); both 0 when it ends.
    virtual void TransferProgress(long long received, long long total) = 0;
    // A close was asked for during a transfer: the command has unwound, close now.
    virtual void CloseWindow() = 0;
    // The record of the branch on screen.
    virtual const TTaxonomyDetail& ShownRecord() = 0;
    // A command ended that replaced the tree file or a database with a download.
    virtual void DataReplaced() {}
};

class TServerCommands {
public:
    explicit TServerCommands(IServerHost& host);
    TServerCommands(const TServerCommands&) = delete;
    TServerCommands& operator=(const TServerCommands&) = delete;

    // Marks one server command: the enabled states follow, the go-on-line question may be asked
    // again afterwards, and a close requested meanwhile happens once the command has unwound.
    // Nested scopes make one command.
    class TScope {
    public:
        explicit TScope(TServerCommands& owner);
        ~TScope();
        TScope(const TScope&) = delete;
        TScope& operator=(const TScope&) = delete;

    private:
        TServerCommands& FOwner;
    };

    TNMHTTP& Http() { return FHttp; }
    TPageTransfer& Pages() { return FPages; }
    // Whether a download left data that What Changed compares with (looked at on the disk once,
    // then kept up to date as each command ends).
    bool PreviousDataKept() const { return FPreviousDataKept; }
    bool Running() const { return FDepth > 0; }
    // A transfer is waiting on the server now (not a question asked between transfers).
    bool Waiting() const { return FWaiting; }

    // Ends the running transfer silently, the previous file kept; with `thenClose` the window
    // closes once the command has unwound.
    void Cancel(bool thenClose);
    // A silent abort inside something the running command triggered (the first node's summary
    // during a refresh) ends the command too.
    void NoteNestedAbort() { FNestedAbort = true; }

    void DownloadAllDatas();
    void RefreshTaxonomyTree();
    // Refresh Item's download of the item's level database (not while another transfer runs).
    void FetchItemDatabase(int level);
    // Downloads the picture of `record` (a genus); shows it only while that genus is still the
    // one selected.
    void DownloadImage(const TTaxonomyDetail& record);
    void ShowImage(const TTaxonomyDetail& record);
    void DownloadAllImagesCommand();
    void DownloadAllImages();
    bool OfferMerge(int level);
    void MergeUserDatabases();
    void CheckAnnouncement();
    void SubmitUserDatabasesCommand();
    void SubmitUserDatabases();
    void PostFiles(TStringList& upload, const std::string& name, const std::string& email);

private:
    // Keeps the tree and the databases as they are for What Changed, once per command, before its
    // first download of them; they become the data What Changed compares with when the command
    // ends, if a download replaced any.
    void KeepDataOnce();
    // A download of the tree or a database.
    void GetData(const std::string& path, const std::string& destination, std::int64_t maxBytes);

    IServerHost& FHost;
    TNMHTTP FHttp;
    TPageTransfer FPages{FHttp};
    int FDepth = 0;
    bool FCancelled = false;
    bool FWaiting = false;
    bool FCloseAfter = false;
    bool FNestedAbort = false;
    bool FDataKept = false;
    bool FDataReplaced = false;
    bool FPreviousDataKept;
};
