// The Editor page: the boxes of the selected branch's record, its species list and the editor's
// tool bar. The page only shows and reports; TEditorCommands decides what the boxes mean.
#pragma once

#include <QWidget>
#include <functional>
#include <memory>

class QAction;
class QListView;
class QTabWidget;
class TSpeciesListModel;
namespace Ui {
class TEditorPage;
}

// The boxes whose text the editor reads and writes.
enum class TEditorBox {
    Id,
    Name,
    Meaning,
    Info,
    Description,
    KorvelType,
    CommonName,
    ImgCopyright,
    ImgCopyrightURL,
    ImgOwner,
    ImgOwnerURL,
    SpeciesName,
    SpeciesMeaning,
    SpeciesDescription,
    Count
};

// The actions the page's buttons and tool bar run.
struct TEditorPageActions {
    QAction* PrevTab;
    QAction* NextTab;
    QAction* Save;
    QAction* Cancel;
    QAction* AddTreeItem;
    QAction* DeleteTreeItem;
    QAction* AddData;
    QAction* ChooseImg;
    QAction* NewSpeciesBitBtn;
    QAction* RemoveSpeciesBitBtn;
};

class TEditorPage : public QWidget {
    Q_OBJECT
public:
    // Pages of EditorPageControl, in their order.
    enum ETab { NoDataTab = 0, GeneralTab = 1, GenusTab = 2, SpeciesTab = 3 };

    explicit TEditorPage(QWidget* parent = nullptr);
    ~TEditorPage() override;

    void BindActions(const TEditorPageActions& actions);

    QString Text(TEditorBox box) const;
    // Sets the box's text; BoxChanged follows as when the user types.
    void SetText(TEditorBox box, const QString& text);
    // Only the two description memos can be made read-only.
    void SetReadOnly(TEditorBox box, bool readOnly);

    QTabWidget* PageControl() const;
    void SetTabVisible(ETab tab, bool visible);

    // The species list is virtual: it holds a count, and asks SpeciesText for what a row shows.
    std::function<QString(int row)> SpeciesText;
    QListView* SpeciesList() const;
    int SpeciesCount() const;
    void ResetSpecies(int count);
    void AppendSpeciesRow();
    void RemoveSpeciesRow(int row);
    // The selected row, -1 for none.
    int SelectedSpecies() const;
    void SelectSpecies(int row);
    void ClearSpeciesSelection();
    void RepaintSpecies();
    // Forgets what Ctrl+Z in each box (or only in the species boxes) could undo: a record was
    // loaded, saved or cancelled, or another species selected.
    void ClearUndoHistory(bool speciesOnly = false);
    // The species boxes take input only while a species is selected, so nothing typed goes nowhere.
    void SetSpeciesBoxesEnabled(bool enabled);

signals:
    // A box's text changed, by typing or by SetText.
    void BoxChanged(TEditorBox box);
    // A species row lost (selected false) or gained the selection; losses come first.
    void SpeciesSelectionChanged(int row, bool selected);

private:
    void WatchMemo(TEditorBox box);
    std::unique_ptr<Ui::TEditorPage> FUi;
    TSpeciesListModel* FSpecies;
};
