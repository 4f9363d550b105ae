// What tests and benchmarks reach inside the main window, beyond what the program itself uses.
#pragma once

#include "EditorCommands.h"
#include "Form_Main.h"

class TFormMainTestAccess {
public:
    // The editor's copy of the record, as its boxes hold it.
    static TTaxonomyDetail& EditRecord(TFormMain& w) { return w.FEditor->EditRecord(); }
    static TTaxonomyDetail& CurrentRecord(TFormMain& w) { return w.FPresenter->CurrentRecord(); }
    // Whether start-up could not open a program file.
    static bool DataFileFailed(const TFormMain& w) { return w.FSession.DataFileFailed(); }
    static const TMainActions& Actions(const TFormMain& w) { return w.Actions(); }
    static TTaxonomyTreeModel* TreeModel(const TFormMain& w) { return w.TreeModel(); }
    static TTaxonomyTreeView* TaxonomyTreeView(const TFormMain& w) { return w.TaxonomyTreeView(); }
    static QTextBrowser* DetailMemo(const TFormMain& w) { return w.DetailMemo(); }
    // Selects the branch of `level` with `id` as a link to it does; false when there is none.
    static bool SelectBranch(TFormMain& w, int level, const std::string& id) {
        return w.SelectBranch(level, id);
    }
    static TRelatedLinksPanel* RelatedLinks(const TFormMain& w) { return w.RelatedLinks(); }
    static TSummaryDocument* Summary(const TFormMain& w) { return w.Summary(); }
    static TNMHTTP& Http(TFormMain& w) { return w.Http(); }
    static TPageTransfer& Pages(TFormMain& w) { return w.Pages(); }
    static QString SummaryPlainText(const TFormMain& w) { return w.SummaryPlainText(); }
    static QString StatusText(const TFormMain& w) { return w.StatusText(); }
    // Removes the branch and everything below it, as Delete Tree Item does after its questions.
    static void DeleteBranch(TFormMain& w, TTreeNode* node, bool withRecords) {
        w.DeleteBranch(node, withRecords);
    }
    static TEditorCommands& Editor(TFormMain& w) { return *w.FEditor; }
    // How long a selection rests before its Refresh Item runs; 0 runs it at once.
    static void SetSelectionRest(TFormMain& w, int ms) { w.FPresenter->SetSelectionRest(ms); }
    // What the server commands tell the window when a command's download replaced data.
    static void DataReplaced(TFormMain& w) { w.DataReplaced(); }
};
