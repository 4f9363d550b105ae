// The branch detail editor: fills the Editor page from the record on screen, keeps its copy of the record
// (EditRecord) equal to its boxes, and runs the editor's commands (Enable Detail Edit, Save, Cancel, tab
// steps, species). Not a widget: it works on the page and the actions the window hands it.
#pragma once

#include "BranchPresenter.h"
#include "EditorPage.h"
#include "TaxonomyData.h"
#include "TaxonomyTree.h"

#include <QObject>
#include <QPointer>

#include <bitset>

class QTimer;
class TMainActions;
struct TEditorDraft;
class TTaxonomyTreePage;
class TTreeNode;

// EditRecord's species lines, made when the record has none yet.
TStringList& EditSpecies(TTaxonomyDetail& record);

// Whether Save would store exactly what is stored: every field a box or Choose Image can change,
// the species lines included.
bool SameRecord(const TTaxonomyDetail& edit, const TTaxonomyDetail& current);

// An empty record for a branch that has none: its level, id, name and info from the node.
void BlankRecordFromNode(const TTaxonomyData& node, TTaxonomyDetail& record);

class TEditorCommands : public QObject, public IBranchEditor {
    Q_OBJECT
public:
    // Connects the editor's actions and hooks into the presenter; the editor starts in no-data state.
    TEditorCommands(TMainActions& actions, TEditorPage* page, TTaxonomyTreePage* treePage,
                    TBranchPresenter& presenter);
    ~TEditorCommands() override;

    // IBranchEditor: edit state filled from the record on screen, or no-data state.
    void LoadEditor() override;
    void ShowNoDataPage() override;
    // Before the edited record is left (another branch, a reload, closing): when it has unsaved
    // changes, asks Save / Discard / Cancel and does what the answer says; false on Cancel (or a
    // Save that did not happen), and the record stays.
    bool MayLeave() override;

    // Whether a box or the species list differs from the record as it was loaded.
    bool Modified() const;
    // The tree node of the edited record, if it has one that is still there.
    TTreeNode* EditedNode() const { return FEditedNode.Get(); }
    // Writes the draft of unsaved changes now (the program is ending); nothing without changes.
    void KeepDraft();
    // At start: offers the draft a previous run left and, on Yes, puts it in the editor, unsaved.
    void OfferDraft();

    // The species whose values are in the species boxes, -1 when they were written back.
    int SelectedSpeciesIndex() const { return FSelectedSpeciesIndex; }

    void AddDataExecute();
    void SaveExecute();
    void CancelExecute();
    void PrevTabExecute();
    void NextTabExecute();
    void NewSpeciesExecute();
    void RemoveSpeciesExecute();
    // Copies a picture the user chooses into the images folder under the genus's name.
    void ChooseImgExecute();

    // What a species row shows: the genus initial, ". ", name, " (", meaning, ")".
    QString SpeciesListViewData(int row) const;

    // The record as the boxes hold it: a copy of the record on screen, stored by Save.
    TTaxonomyDetail& EditRecord() { return FEditRecord; }

private:
    // Moves to the next (+1) or previous (-1) visible page, wrapping around.
    void StepTab(int step);
    void BoxChanged(TEditorBox box);
    void SpeciesListViewSelectItem(int row, bool selected);
    void SetBox(TEditorBox box, const std::string& value);
    // Fills a description memo: the whole text, or, when it has a line too long for the memo to lay
    // out quickly, a read-only view of it broken into short lines under a note (the record keeps the
    // text as it is).
    void SetMemo(TEditorBox box, const std::string& text);
    void SetEditState(bool edit, bool genus);
    void ClearSpeciesBoxes();
    // The selected species' boxes into its line of EditRecord; the selection stays.
    void WriteBackSpecies();
    // Whether the record may be stored as it stands; asks or explains when not.
    bool ConfirmSave() const;
    // The tree node that shows the record on screen, if there is one (a forgotten genus has none).
    TTreeNode* PresentedNode() const;
    // The boxes filled from `record` (LoadEditor's part for the boxes and the species list).
    void FillBoxes(const TTaxonomyDetail& record);
    // The selected species' line as its boxes hold it now.
    std::string SpeciesLineFromBoxes() const;
    // EditRecord with the selected species' boxes in its line, without writing them back.
    TTaxonomyDetail RecordFromBoxes() const;
    // What the boxes hold now is the record as loaded (or saved).
    void MarkUnchanged();
    // Boxes back to the record on screen, the draft gone.
    void DiscardChanges();
    // A box or the species list changed by the user: the draft follows within a second.
    void EditChanged();
    void WriteDraft();
    void DropDraft();
    // The name the questions about the edited record use.
    std::string LeftRecordName() const;
    void ApplyDraft(const TEditorDraft& draft);

    TMainActions& FActions;
    TTaxonomyDetail FEditRecord;
    QPointer<TEditorPage> FPage;
    TTaxonomyTreePage* FTreePage;
    TBranchPresenter& FPresenter;
    // The record on screen: the presenter's, which Save brings up to date.
    TTaxonomyDetail& FCurrent;
    int FSelectedSpeciesIndex = -1;
    bool FIgnoreSelection = false;
    // Whether the description memos show a text broken for display only (see SetMemo).
    bool FDescriptionShownOnly = false;
    bool FSpeciesDescriptionShownOnly = false;
    bool FFillingMemo = false;
    // The one-line boxes that show a value too long for them, cut and read-only (see SetBox).
    std::bitset<static_cast<size_t>(TEditorBox::Count)> FBoxShownOnly;
    // Whether the record on screen is stored in the databases (not a blank made by Enable Detail Edit).
    bool FStored = false;
    bool FBlankPending = false;
    // EditRecord as LoadEditor filled it, with a species list of its own: what "changed" means.
    TTaxonomyDetail FLoadedRecord;
    // The node the record on screen was loaded for, and whether there was one.
    TNodeRef FEditedNode;
    bool FHadNode = false;
    bool FLoading = false;
    QTimer* FDraftTimer;
};
