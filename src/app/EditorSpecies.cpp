// The species list of the Editor page: the rows it shows, the boxes of the selected species and
// their way back into FEditRecord's species lines, adding and removing species.
#include "EditorCommands.h"

#include "Dialogs.h"
#include "Fields.h"
#include "Format.h"
#include "Global.h"
#include "LongText.h"
#include "MainActions.h"
#include "QtText.h"

#include <array>

namespace {
const char* const NewSpeciesLine = "\t###";
}

// ---- species ----

QString TEditorCommands::SpeciesListViewData(int row) const {
    const TStringList* lines = FEditRecord.Genus.Species.get();
    if (!lines || row < 0 || row >= static_cast<int>(lines->size()))
        return {};
    std::array<std::string, 4> f;
    SplitFields((*lines)[static_cast<size_t>(row)], f, 3);
    const QString genus = ToQ(FEditRecord.Name);
    const QString initial = genus.isEmpty() ? QString() : genus.left(genus.front().isHighSurrogate() ? 2 : 1);
    return initial + QStringLiteral(". ") + ToQ(f[1]) + QStringLiteral(" (") + ToQ(f[2]) +
           QStringLiteral(")");
}

void TEditorCommands::SpeciesListViewSelectItem(int row, bool selected) {
    if (FIgnoreSelection)
        return;
    TStringList& lines = EditSpecies(FEditRecord);
    const int count = static_cast<int>(lines.size());
    if (selected && row >= 0 && row < count) {
        FSelectedSpeciesIndex = row;
        std::array<std::string, 4> f;
        SplitFields(lines[static_cast<size_t>(row)], f, 3);
        SetBox(TEditorBox::SpeciesName, f[1]);
        SetBox(TEditorBox::SpeciesMeaning, f[2]);
        SetMemo(TEditorBox::SpeciesDescription, FieldToLines(f[3]));
        // Undo in a species box stays with the species it was typed for.
        FPage->ClearUndoHistory(true);
    } else if (!selected) {
        WriteBackSpecies();
        FSelectedSpeciesIndex = -1;
    }
    FPage->SetSpeciesBoxesEnabled(FSelectedSpeciesIndex >= 0);
}

std::string TEditorCommands::SpeciesLineFromBoxes() const {
    const TStringList* lines = FEditRecord.Genus.Species.get();
    if (!lines || FSelectedSpeciesIndex < 0 || FSelectedSpeciesIndex >= static_cast<int>(lines->size()))
        return {};
    const std::string& stored = (*lines)[static_cast<size_t>(FSelectedSpeciesIndex)];
    // A box that shows its value cut for display (see SetBox and SetMemo) does not hold it.
    std::array<std::string, 4> f;
    SplitFields(stored, f, 3);
    if (!FSpeciesDescriptionShownOnly)
        f[3] = LinesToField(FromQ(FPage->Text(TEditorBox::SpeciesDescription)));
    f[0].assign(1, '\t');
    if (!FBoxShownOnly[static_cast<size_t>(TEditorBox::SpeciesName)])
        f[1] = FromQ(FPage->Text(TEditorBox::SpeciesName));
    if (!FBoxShownOnly[static_cast<size_t>(TEditorBox::SpeciesMeaning)])
        f[2] = FromQ(FPage->Text(TEditorBox::SpeciesMeaning));
    return JoinFields(f, 3);
}

void TEditorCommands::WriteBackSpecies() {
    TStringList& lines = EditSpecies(FEditRecord);
    if (FSelectedSpeciesIndex < 0 || FSelectedSpeciesIndex >= static_cast<int>(lines.size()))
        return;
    std::string& stored = lines[static_cast<size_t>(FSelectedSpeciesIndex)];
    std::string line = SpeciesLineFromBoxes();
    if (stored != line) {
        stored = std::move(line);
        FPage->RepaintSpecies();
    }
}

void TEditorCommands::ClearSpeciesBoxes() {
    for (TEditorBox box : {TEditorBox::SpeciesName, TEditorBox::SpeciesMeaning})
        SetBox(box, std::string());
    SetMemo(TEditorBox::SpeciesDescription, std::string());
}

void TEditorCommands::NewSpeciesExecute() {
    if (!FActions.IsAllowed(TAction::EditorNewSpecies))
        return; // the glyph button's twin is never disabled; its page is shown for genera only
    TStringList& lines = EditSpecies(FEditRecord);
    lines.push_back(NewSpeciesLine);
    FPage->AppendSpeciesRow();
    EditChanged();
    FPage->SelectSpecies(static_cast<int>(lines.size()) - 1);
    FPage->RepaintSpecies();
}

void TEditorCommands::RemoveSpeciesExecute() {
    if (!FActions.IsAllowed(TAction::EditorRemoveSpecies))
        return;
    const int row = FPage->SelectedSpecies();
    TStringList& lines = EditSpecies(FEditRecord);
    if (row < 0 || row >= static_cast<int>(lines.size()))
        return;
    const std::string question =
        Format("Are you sure to remove species name \"%s\"?", {FromQ(SpeciesListViewData(row))});
    if (AppMessageBox(question, Mb::OkCancel | Mb::IconQuestion) != Mb::IdOk)
        return;
    // The removed species' boxes are dropped, never written over the line that moves up; what the
    // view selects by itself while the row goes is ignored and cleared.
    FSelectedSpeciesIndex = -1;
    FIgnoreSelection = true;
    FPage->ClearSpeciesSelection();
    lines.erase(lines.begin() + row);
    EditChanged();
    FPage->RemoveSpeciesRow(row);
    FPage->ClearSpeciesSelection();
    FIgnoreSelection = false;
    const int left = static_cast<int>(lines.size());
    if (left > 0) {
        FPage->SelectSpecies(std::min(row, left - 1));
    } else {
        ClearSpeciesBoxes();
        FPage->SetSpeciesBoxesEnabled(false);
    }
    FPage->RepaintSpecies();
}
