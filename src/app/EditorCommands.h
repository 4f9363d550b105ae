// The branch detail editor: fills the Editor page from the record on screen, keeps its copy of the record (EditRecord) equal to
// its boxes, and runs the editor's commands (Enable Detail Edit, Save, Cancel, tab steps, species).
// Not a widget: it works on the page and the actions the window hands it.
#pragma once

#include "BranchPresenter.h"
#include "EditorPage.h"
#include "TaxonomyData.h"

#include <QObject>
#include <QPointer>

#include <bitset>

class TMainActions;
class TTaxonomyTreePage;
struct TTreeNode;

// EditRecord's species lines, made when the record has none yet.
TStringList& EditSpecies(TTaxonomyDetail& record);

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
};
