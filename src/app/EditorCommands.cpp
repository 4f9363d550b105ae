#include "EditorCommands.h"

#include "Dialogs.h"
#include "GenusPictures.h"
#include "Global.h"
#include "ImagePage.h"
#include "LongText.h"
#include "MainActions.h"
#include "QtText.h"
#include "TaxonomyTree.h"
#include "TaxonomyTreePage.h"
#include "TreeChanges.h"

#include <QAction>
#include <QTabWidget>
#include <QTimer>
#include <array>

namespace {

// A text box lays out a line at about 0.1 s per 100,000 characters, all of it at once.
constexpr size_t MaxMemoLine = 100000;
constexpr size_t ShownLineWidth = 1000;
const std::string LongLinesNote =
    "[This text has lines too long to edit here. It is shown broken into shorter lines and is saved "
    "unchanged.]\n\n";
// A one-line box lays out its whole text at once and holds at most 32,767 characters: a longer
// value is shown cut, read-only, after this note, and the record keeps the value itself.
constexpr size_t MaxBoxText = 10000;
const std::string LongBoxNote = "[Too long to edit here; saved unchanged] ";

std::string* RecordField(TTaxonomyDetail& record, TEditorBox box) {
    TGenusDetail& g = record.Genus;
    switch (box) {
    case TEditorBox::Id:
        return &record.Id;
    case TEditorBox::Name:
        return &record.Name;
    case TEditorBox::Meaning:
        return &record.Meaning;
    case TEditorBox::Info:
        return &record.Info;
    case TEditorBox::Description:
        return &record.Description;
    case TEditorBox::KorvelType:
        return &g.KorvelType;
    case TEditorBox::CommonName:
        return &g.CommonName;
    case TEditorBox::ImgCopyright:
        return &g.ImgCopyright;
    case TEditorBox::ImgCopyrightURL:
        return &g.ImgCopyrightURL;
    case TEditorBox::ImgOwner:
        return &g.ImgOwner;
    case TEditorBox::ImgOwnerURL:
        return &g.ImgOwnerURL;
    default:
        return nullptr; // the species boxes go back only on deselection
    }
}

// The stored one-line form of a description, so that line-break conventions never count as a change.
bool SameDescription(const std::string& a, const std::string& b) {
    return a == b || LinesToField(a) == LinesToField(b);
}

} // namespace

bool SameRecord(const TTaxonomyDetail& edit, const TTaxonomyDetail& current) {
    if (edit.Id != current.Id || edit.Name != current.Name || edit.Meaning != current.Meaning ||
        edit.Info != current.Info || !SameDescription(edit.Description, current.Description))
        return false;
    if (edit.Level != GenusLevel)
        return true;
    const TGenusDetail& a = edit.Genus;
    const TGenusDetail& b = current.Genus;
    const TStringList none;
    return a.KorvelType == b.KorvelType && a.CommonName == b.CommonName && a.ImageFile == b.ImageFile &&
           a.ImgCopyright == b.ImgCopyright && a.ImgCopyrightURL == b.ImgCopyrightURL &&
           a.ImgOwner == b.ImgOwner && a.ImgOwnerURL == b.ImgOwnerURL &&
           (a.Species ? *a.Species : none) == (b.Species ? *b.Species : none);
}

TStringList& EditSpecies(TTaxonomyDetail& record) {
    if (!record.Genus.Species)
        record.Genus.Species = std::make_shared<TStringList>();
    return *record.Genus.Species;
}

void BlankRecordFromNode(const TTaxonomyData& node, TTaxonomyDetail& record) {
    record.Level = node.Level();
    record.Id = node.Id();
    record.Name = node.Name();
    record.Info = node.Info();
    record.Meaning.clear();
    record.Description.clear();
    if (record.Level != GenusLevel)
        return;
    TGenusDetail& g = record.Genus;
    g.KorvelType.clear();
    g.CommonName.clear();
    g.Keywords.clear();
    g.ImageFile = "-";
    g.ImgCopyright = "(n/a)";
    g.ImgCopyrightURL.clear();
    g.ImgOwner = "(n/a)";
    g.ImgOwnerURL.clear();
    // A list of its own: copies of the record elsewhere keep theirs.
    g.Species = std::make_shared<TStringList>();
}

TEditorCommands::TEditorCommands(TMainActions& actions, TEditorPage* page, TTaxonomyTreePage* treePage,
                                 TBranchPresenter& presenter)
    : FActions(actions), FPage(page), FTreePage(treePage), FPresenter(presenter),
      FCurrent(presenter.CurrentRecord()), FDraftTimer(new QTimer(this)) {
    FDraftTimer->setSingleShot(true);
    FDraftTimer->setInterval(1000);
    connect(FDraftTimer, &QTimer::timeout, this, &TEditorCommands::WriteDraft);
    FPage->SpeciesText = [this](int row) { return SpeciesListViewData(row); };
    connect(FPage, &TEditorPage::BoxChanged, this, &TEditorCommands::BoxChanged);
    connect(FPage, &TEditorPage::SpeciesSelectionChanged, this, &TEditorCommands::SpeciesListViewSelectItem);
    FPage->BindActions({actions[TAction::EditorPrevTab], actions[TAction::EditorNextTab],
                        actions[TAction::EditorSave], actions[TAction::EditorCancel],
                        actions[TAction::EditorAddTreeItem], actions[TAction::EditorDeleteTreeItem],
                        actions[TAction::EditorAddData], actions[TAction::EditorChooseImg],
                        actions[TAction::EditorNewSpeciesBitBtn],
                        actions[TAction::EditorRemoveSpeciesBitBtn]});

    const QPointer<TEditorCommands> self(this);
    auto run = [this, self](TAction id, void (TEditorCommands::*handler)()) {
        FActions.Connect(id, [self, handler] {
            if (self)
                RunAction([&] { (self.data()->*handler)(); });
        });
    };
    run(TAction::EditorAddData, &TEditorCommands::AddDataExecute);
    run(TAction::EditorSave, &TEditorCommands::SaveExecute);
    run(TAction::EditorCancel, &TEditorCommands::CancelExecute);
    run(TAction::EditorPrevTab, &TEditorCommands::PrevTabExecute);
    run(TAction::EditorNextTab, &TEditorCommands::NextTabExecute);
    run(TAction::EditorNewSpecies, &TEditorCommands::NewSpeciesExecute);
    run(TAction::EditorNewSpeciesBitBtn, &TEditorCommands::NewSpeciesExecute);
    run(TAction::EditorRemoveSpecies, &TEditorCommands::RemoveSpeciesExecute);
    run(TAction::EditorRemoveSpeciesBitBtn, &TEditorCommands::RemoveSpeciesExecute);
    run(TAction::EditorChooseImg, &TEditorCommands::ChooseImgExecute);
    FPresenter.SetEditor(this);
    ShowNoDataPage();
}

TEditorCommands::~TEditorCommands() {
    FPresenter.SetEditor(nullptr);
    if (FPage)
        FPage->SpeciesText = nullptr;
}

// ---- the two states ----

void TEditorCommands::SetEditState(bool edit, bool genus) {
    FActions.SetAllowed(TAction::EditorAddData, !edit);
    for (TAction id :
         {TAction::EditorSave, TAction::EditorCancel, TAction::EditorPrevTab, TAction::EditorNextTab})
        FActions.SetAllowed(id, edit);
    for (TAction id : {TAction::EditorNewSpecies, TAction::EditorRemoveSpecies, TAction::EditorChooseImg})
        FActions.SetAllowed(id, edit && genus);
}

void TEditorCommands::ShowNoDataPage() {
    FPage->SetTabVisible(TEditorPage::NoDataTab, true);
    FPage->PageControl()->setCurrentIndex(TEditorPage::NoDataTab);
    for (TEditorPage::ETab tab : {TEditorPage::GeneralTab, TEditorPage::GenusTab, TEditorPage::SpeciesTab})
        FPage->SetTabVisible(tab, false);
    SetEditState(false, false);
}

void TEditorCommands::LoadEditor() {
    const bool genus = FCurrent.Level == GenusLevel;
    QTabWidget* tabs = FPage->PageControl();
    FPage->SetTabVisible(TEditorPage::GeneralTab, true);
    FPage->SetTabVisible(TEditorPage::GenusTab, genus);
    FPage->SetTabVisible(TEditorPage::SpeciesTab, genus);
    FPage->SetTabVisible(TEditorPage::NoDataTab, false);
    // The page the user was on stays when the new branch has it.
    if (!tabs->isTabVisible(tabs->currentIndex()))
        tabs->setCurrentIndex(TEditorPage::GeneralTab);
    SetEditState(true, genus);
    FEditRecord.Level = FCurrent.Level;
    FLoading = true;
    FillBoxes(FCurrent);
    FLoading = false;
    MarkUnchanged();
    // A record made by Enable Detail Edit is not stored yet: its first Save always writes it.
    FStored = !FBlankPending;
    FBlankPending = false;
    FPage->ClearUndoHistory();
    TTreeNode* node = FTreePage->SelectedNode();
    const bool own = node && node->Level() == FCurrent.Level && node->Id() == FCurrent.Id;
    FEditedNode = own ? TNodeRef(FTreePage->Tree(), node) : TNodeRef();
    FHadNode = own;
}

void TEditorCommands::FillBoxes(const TTaxonomyDetail& record) {
    SetBox(TEditorBox::Name, record.Name); // the id follows
    SetBox(TEditorBox::Meaning, record.Meaning);
    SetBox(TEditorBox::Info, record.Info);
    SetMemo(TEditorBox::Description, record.Description);
    if (record.Level != GenusLevel)
        return;

    const TGenusDetail& g = record.Genus;
    SetBox(TEditorBox::KorvelType, g.KorvelType);
    FEditRecord.Genus.KorvelType = g.KorvelType;
    SetBox(TEditorBox::CommonName, g.CommonName);
    FEditRecord.Genus.Keywords = g.Keywords;
    FEditRecord.Genus.ImageFile = g.ImageFile;
    FActions[TAction::EditorChooseImg]->setText(
        g.ImageFile != "-" ? QStringLiteral("Replace Current Image...") : QStringLiteral("Choose Image..."));
    SetBox(TEditorBox::ImgCopyright, g.ImgCopyright);
    SetBox(TEditorBox::ImgCopyrightURL, g.ImgCopyrightURL);
    SetBox(TEditorBox::ImgOwner, g.ImgOwner);
    SetBox(TEditorBox::ImgOwnerURL, g.ImgOwnerURL);

    // The species being edited goes back into the old list before it is replaced by a copy of
    // its own, so that edits never reach FCurrent before Save.
    FPage->ClearSpeciesSelection();
    FEditRecord.Genus.Species = std::make_shared<TStringList>(g.Species ? *g.Species : TStringList());
    FSelectedSpeciesIndex = -1;
    const int count = static_cast<int>(FEditRecord.Genus.Species->size());
    FPage->ResetSpecies(count);
    if (count > 0)
        FPage->SelectSpecies(0);
    else
        ClearSpeciesBoxes();
    FPage->RepaintSpecies();
}

// ---- box rules ----

void TEditorCommands::SetBox(TEditorBox box, const std::string& value) {
    const size_t index = static_cast<size_t>(box);
    const bool memo = box == TEditorBox::Description || box == TEditorBox::SpeciesDescription;
    const bool shownOnly = !memo && value.size() > MaxBoxText;
    if (shownOnly != FBoxShownOnly[index]) {
        FBoxShownOnly[index] = shownOnly;
        FPage->SetReadOnly(box, shownOnly);
    }
    if (!shownOnly) {
        FPage->SetText(box, ToQ(value));
        return;
    }
    // The record takes the value itself, before the box's change is announced.
    if (std::string* field = RecordField(FEditRecord, box))
        *field = value;
    FPage->SetText(box, ToQ(LongBoxNote + value.substr(0, LongTextCut(value, MaxBoxText, ' '))));
}

void TEditorCommands::SetMemo(TEditorBox box, const std::string& text) {
    const bool description = box == TEditorBox::Description;
    const bool shownOnly = LongestLine(text, '\n') > MaxMemoLine;
    (description ? FDescriptionShownOnly : FSpeciesDescriptionShownOnly) = shownOnly;
    FPage->SetReadOnly(box, shownOnly);
    // The record takes the text itself: reading a long text back out of the memo costs as much
    // memory again as filling it.
    FFillingMemo = true;
    if (shownOnly)
        SetBox(box, LongLinesNote + BreakLongLines(text, ShownLineWidth, '\n'));
    else
        SetBox(box, text);
    FFillingMemo = false;
    if (description)
        FEditRecord.Description = text;
}

void TEditorCommands::BoxChanged(TEditorBox box) {
    if (!FLoading)
        EditChanged();
    if (FBoxShownOnly[static_cast<size_t>(box)]) {
        if (box == TEditorBox::Name)
            SetBox(TEditorBox::Id, LowerCase(FEditRecord.Name));
        return;
    }
    std::string* field = RecordField(FEditRecord, box);
    if (!field || (box == TEditorBox::Description && (FDescriptionShownOnly || FFillingMemo)))
        return;
    *field = FromQ(FPage->Text(box));
    if (box == TEditorBox::Name) {
        // The id always follows the name; the species rows show the genus initial.
        SetBox(TEditorBox::Id, LowerCase(FEditRecord.Name));
        FPage->RepaintSpecies();
    }
}

// ---- commands ----

void TEditorCommands::AddDataExecute() {
    const TTreeNode* node = FTreePage->SelectedNode();
    if (!node || !MayLeave())
        return;
    // The record the selection's Refresh Item would look for is made here instead.
    FPresenter.CancelPendingRefresh();
    BlankRecordFromNode(node->Data(), FCurrent);
    ClearSpeciesBoxes();
    FBlankPending = true;
    FPresenter.PresentRecord();
    FBlankPending = false;
}

TTreeNode* TEditorCommands::PresentedNode() const {
    // The node the record was loaded for: a Save asked for while leaving it has another selected.
    TTreeNode* node = FEditedNode.Get();
    return node && node->Level() == FCurrent.Level && node->Id() == FCurrent.Id ? node : nullptr;
}

bool TEditorCommands::ConfirmSave() const {
    // Nothing could find or remove a record without an id again.
    if (FEditRecord.Id.empty()) {
        AppMessageBox(std::string("A branch without a name cannot be saved. Please enter its name first."),
                      Mb::Ok | Mb::IconExclamation);
        return false;
    }
    // A new id that another record already has would silently take that record's place.
    const int level = FEditRecord.Level;
    if (FEditRecord.Id != FCurrent.Id && level >= 0 && level <= GenusLevel &&
        (DeleteRecord(FEditRecord.Id, level, false, false) ||
         DeleteRecord(FEditRecord.Id, level, true, false))) {
        const std::string question =
            Format("Another %s is stored under the id \"%s\". Saving replaces that record with this one. "
                   "Do you want to continue?",
                   {LevelNames[static_cast<size_t>(level)], FEditRecord.Id});
        return AppMessageBox(question, Mb::OkCancel | Mb::IconExclamation) == Mb::IdOk;
    }
    return true;
}

void TEditorCommands::SaveExecute() {
    // What is typed into the selected species' boxes is part of the record being saved.
    WriteBackSpecies();
    // Browsing and pressing Save must not make an unchanged record look like an edit to submit.
    if (FStored && SameRecord(FEditRecord, FCurrent)) {
        FPage->ClearUndoHistory();
        DropDraft();
        return;
    }
    if (!ConfirmSave())
        return;
    TTreeNode* node = PresentedNode(); // found by the id before editing
    SaveEditedRecord(FEditRecord, FCurrent);
    FCurrent.Id = FEditRecord.Id;
    FCurrent.Name = FEditRecord.Name;
    FCurrent.Meaning = FEditRecord.Meaning;
    FCurrent.Info = FEditRecord.Info;
    FCurrent.Description = FEditRecord.Description;
    if (FEditRecord.Level == GenusLevel) {
        TGenusDetail& to = FCurrent.Genus;
        const TGenusDetail& from = FEditRecord.Genus;
        to.KorvelType = from.KorvelType;
        to.CommonName = from.CommonName;
        to.ImageFile = from.ImageFile;
        to.ImgCopyright = from.ImgCopyright;
        to.ImgCopyrightURL = from.ImgCopyrightURL;
        to.ImgOwner = from.ImgOwner;
        to.ImgOwnerURL = from.ImgOwnerURL;
        to.Species = std::make_shared<TStringList>(EditSpecies(FEditRecord));
    }
    // A record shown without a tree node (a forgotten genus) leaves the tree as it is.
    if (node) {
        UpdateTreeNode(FTreePage->Tree(), node,
                       TTaxonomyData(std::string(node->Marker()), FCurrent.Id, FCurrent.Name, FCurrent.Info));
        TreeModified = true;
        NoteTreeChange(FTreePage->Tree(), TTreeChange::Fields(node));
    }
    FStored = true;
    // Undo in a box never brings back text from before the save.
    FPage->ClearUndoHistory();
    MarkUnchanged();
    DropDraft();
    // What was saved is what the window shows: the summary, the caption and the title.
    FPresenter.ShowSavedRecord();
}

void TEditorCommands::CancelExecute() {
    // Ctrl+Z outside the boxes reverts everything at once: typed work goes only when the user says so.
    if (Modified() && AppMessageBox(Format("Discard the changes to \"%s\"?", {LeftRecordName()}),
                                    Mb::OkCancel | Mb::IconQuestion) != Mb::IdOk)
        return;
    const std::string& assigned = FEditRecord.Genus.ImageFile;
    if (FEditRecord.Level == GenusLevel && FCurrent.Genus.ImageFile == "-" && assigned != "-" &&
        AppMessageBox(std::string("Do you want to delete image file you assigned to this genus?"),
                      Mb::OkCancel | Mb::IconQuestion) == Mb::IdOk) {
        const std::string path = AppFile(std::string(ImagesFolderName) + assigned);
        // A name that is no plain file name is never used; a file already gone could not be
        // deleted either, and the user should know the picture is not where it was put.
        if (!IsPlainFileName(assigned) || !DeleteFile(path))
            AppMessageBox(
                Format("File \"%s\" could not be deleted. You may need to delete it manually.", {path}),
                Mb::Ok | Mb::IconExclamation);
    }
    // The boxes go back to the record; whether it is stored yet does not change.
    const bool stored = FStored;
    LoadEditor();
    FStored = stored;
    DropDraft();
}

void TEditorCommands::ChooseImgExecute() {
    if (FEditRecord.Genus.ImageFile != "-" &&
        AppMessageBox(
            std::string("This genus already have an image attached. Are you sure you want to select a new "
                        "image file?"),
            Mb::OkCancel | Mb::IconExclamation) != Mb::IdOk)
        return;
    const std::string chosen = ExecuteOpenPictureDialog();
    if (chosen.empty())
        return;
    const std::string name = PictureFileNameFor(FEditRecord.Name, chosen);
    // The name comes from the Name box: one that could reach outside the images folder is refused.
    if (!IsPlainFileName(name)) {
        AppMessageBox(
            Format("\"%s\" cannot be the name of a picture file. Please change the name of the genus "
                   "first.",
                   {name}),
            Mb::Ok | Mb::IconExclamation);
        return;
    }
    const std::string folder = AppFile(ImagesFolderName);
    const std::string destination = folder + name;
    if (FileExists(destination) &&
        AppMessageBox(
            std::string("By selecting OK, the current image file for this genus will be replaced with the "
                        "new one. This action could not be canceled or undo. Proceed?"),
            Mb::OkCancel | Mb::IconExclamation) != Mb::IdOk)
        return;
    if (!ForceDirectories(folder) || !CopyPictureFile(chosen, destination)) {
        ShowErrorBox("Error copying file from \"%s\" to \"%s\"", {chosen, destination});
        return;
    }
    FEditRecord.Genus.ImageFile = name;
    EditChanged();
    FActions[TAction::EditorChooseImg]->setText(QStringLiteral("Replace Current Image..."));
}

void TEditorCommands::StepTab(int step) {
    QTabWidget* tabs = FPage->PageControl();
    const int count = tabs->count();
    int index = tabs->currentIndex();
    for (int i = 0; i < count; ++i) {
        index = (index + step + count) % count;
        if (tabs->isTabVisible(index)) {
            tabs->setCurrentIndex(index);
            return;
        }
    }
}

void TEditorCommands::PrevTabExecute() {
    StepTab(-1);
}
void TEditorCommands::NextTabExecute() {
    StepTab(1);
}
