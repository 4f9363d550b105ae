// What keeps typed work: the question before an edited record is left, and the draft of unsaved
// changes that outlives a crash or a logout.
#include "EditorCommands.h"

#include "AppState.h"
#include "Constants.h"
#include "Dialogs.h"
#include "EditorDraft.h"
#include "Fields.h"
#include "Format.h"
#include "Global.h"
#include "MainActions.h"
#include "TaxonomyTreePage.h"

#include <QTimer>
#include <array>

namespace {

// A species line as a written-back line would have it: what was before its first "#" never counts.
std::string AsWrittenBack(const std::string& line) {
    std::array<std::string, 4> f;
    SplitFields(line, f, 3);
    f[0].assign(1, '\t');
    return JoinFields(f, 3);
}

} // namespace

TTaxonomyDetail TEditorCommands::RecordFromBoxes() const {
    TTaxonomyDetail record = FEditRecord;
    const TStringList* lines = FEditRecord.Genus.Species.get();
    if (lines && FSelectedSpeciesIndex >= 0 && FSelectedSpeciesIndex < static_cast<int>(lines->size())) {
        const std::string& stored = (*lines)[static_cast<size_t>(FSelectedSpeciesIndex)];
        const std::string typed = SpeciesLineFromBoxes();
        if (typed != AsWrittenBack(stored)) {
            auto copy = std::make_shared<TStringList>(*lines);
            (*copy)[static_cast<size_t>(FSelectedSpeciesIndex)] = typed;
            record.Genus.Species = std::move(copy);
        }
    }
    return record;
}

void TEditorCommands::MarkUnchanged() {
    FLoadedRecord = RecordFromBoxes();
    FLoadedRecord.Genus.Species = std::make_shared<TStringList>(EditSpecies(FLoadedRecord));
}

bool TEditorCommands::Modified() const {
    // The no-data page has nothing of the user's in it.
    if (!FActions.IsAllowed(TAction::EditorSave))
        return false;
    return !SameRecord(RecordFromBoxes(), FLoadedRecord);
}

std::string TEditorCommands::LeftRecordName() const {
    return FCurrent.Name.empty() ? FEditRecord.Name : FCurrent.Name;
}

bool TEditorCommands::MayLeave() {
    if (!Modified()) {
        // Typed back to the record as loaded: a draft still waiting to be written is of no use.
        if (FDraftTimer->isActive())
            DropDraft();
        return true;
    }
    // The branch itself was deleted: the user chose to drop it with its record.
    if (FHadNode && !FEditedNode) {
        DropDraft();
        return true;
    }
    const int answer = AppMessageBox(Format("Save the changes to \"%s\"?", {LeftRecordName()}),
                                     Mb::SaveDiscardCancel | Mb::IconQuestion);
    if (answer == Mb::IdYes) {
        SaveExecute();
        return !Modified(); // a Save the user refused or that was not possible keeps the record
    }
    if (answer == Mb::IdNo) {
        DiscardChanges();
        return true;
    }
    return false;
}

void TEditorCommands::DiscardChanges() {
    const bool stored = FStored;
    const TNodeRef node = FEditedNode;
    const bool hadNode = FHadNode;
    LoadEditor();
    FStored = stored;
    FEditedNode = node;
    FHadNode = hadNode;
    DropDraft();
}

// ---- the draft ----

void TEditorCommands::EditChanged() {
    // At most one write a second, however fast the user types.
    if (!FDraftTimer->isActive())
        FDraftTimer->start();
}

void TEditorCommands::WriteDraft() {
    if (!Modified()) {
        RemoveEditorDraft(); // typed back to the record as it was loaded
        return;
    }
    TEditorDraft draft;
    draft.Level = FCurrent.Level;
    const TTreeNode* node = FEditedNode.Get();
    draft.BranchId = node ? node->Id() : FCurrent.Id;
    draft.BranchName = node ? node->Name() : FCurrent.Name;
    draft.Record = RecordFromBoxes();
    // A draft that cannot be written (a full disk) must not stop the typing: the edit goes on, and
    // Save reports what it reports.
    try {
        WriteEditorDraft(draft);
    } catch (const std::exception&) {
    }
}

void TEditorCommands::DropDraft() {
    FDraftTimer->stop();
    RemoveEditorDraft();
}

void TEditorCommands::KeepDraft() {
    if (!FDraftTimer->isActive())
        return; // the file already holds the last changes, or there are none
    FDraftTimer->stop();
    WriteDraft();
}

void TEditorCommands::OfferDraft() {
    if (QuitWasRequested())
        return;
    const std::optional<TEditorDraft> draft = ReadEditorDraft();
    if (!draft)
        return;
    const std::string& name = draft->BranchName.empty() ? draft->Record.Name : draft->BranchName;
    const int answer =
        AppMessageBox(Format("Changes to \"%s\" were not saved when the program last ended. Do "
                             "you want to open them in the editor?",
                             {name}),
                      Mb::YesNo | Mb::IconQuestion);
    if (answer == Mb::IdYes)
        ApplyDraft(*draft);
    else if (!QuitWasRequested()) // a question cut short by a logout was not answered
        RemoveEditorDraft();
}

void TEditorCommands::ApplyDraft(const TEditorDraft& draft) {
    TTaxonomyTree& tree = FTreePage->Tree();
    TTreeNode* found = nullptr;
    for (TTaxonomyTree::TWalk walk(tree); TTreeNode* n = walk.Node(); walk.Advance())
        if (n->Level() == draft.Level && n->Id() == draft.BranchId &&
            (draft.BranchId != NotAvailableId || n->Name() == draft.BranchName)) {
            found = n;
            break;
        }
    if (found) {
        FTreePage->SelectNode(found);
        FPresenter.CancelPendingRefresh();
        if (!FActions.IsAllowed(TAction::EditorSave))
            AddDataExecute(); // a branch without a record gets the blank the draft was typed into
    } else {
        // The branch is gone: the draft becomes a new record of its level, stored by Save.
        BlankRecordFromNode(TTaxonomyData(std::string(static_cast<size_t>(draft.Level), '\t'), draft.BranchId,
                                          draft.BranchName, draft.Record.Info),
                            FCurrent);
        FBlankPending = true;
        FPresenter.PresentRecord();
        FBlankPending = false;
    }
    FLoading = true;
    FillBoxes(draft.Record);
    FLoading = false;
}
