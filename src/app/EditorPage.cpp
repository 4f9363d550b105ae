#include "EditorPage.h"
#include "PageTabs.h"
#include "RecordTextValidator.h"

#include "MainActions.h"
#include "ui_EditorPage.h"

#include <QAbstractListModel>
#include <QAction>
#include <QApplication>
#include <QPainter>
#include <QSignalBlocker>
#include <QTextCursor>
#include <QTextDocument>
#include <QValidator>
#include <vector>

// Rows are only counted; their text is asked for when a row is drawn, so a genus with thousands
// of species is shown at once.
class TSpeciesListModel : public QAbstractListModel {
public:
    explicit TSpeciesListModel(TEditorPage* page) : QAbstractListModel(page), FPage(page) {}

    int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : FCount; }
    QVariant data(const QModelIndex& index, int role) const override {
        if (role != Qt::DisplayRole || !index.isValid() || !FPage->SpeciesText)
            return {};
        return FPage->SpeciesText(index.row());
    }
    void Reset(int count) {
        beginResetModel();
        FCount = count;
        endResetModel();
    }
    void Append() {
        beginInsertRows({}, FCount, FCount);
        ++FCount;
        endInsertRows();
    }
    void Remove(int row) {
        beginRemoveRows({}, row, row);
        --FCount;
        endRemoveRows();
    }
    void RepaintAll() {
        if (FCount > 0)
            emit dataChanged(index(0), index(FCount - 1), {Qt::DisplayRole});
    }

private:
    TEditorPage* FPage;
    int FCount = 0;
};

namespace {

QIcon Glyph(bool plus) {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setPen(QPen(QApplication::palette().color(QPalette::ButtonText), 2));
    p.drawLine(3, 8, 13, 8);
    if (plus)
        p.drawLine(8, 3, 8, 13);
    return QIcon(pixmap);
}

} // namespace

TEditorPage::TEditorPage(QWidget* parent)
    : QWidget(parent), FUi(std::make_unique<Ui::TEditorPage>()), FSpecies(nullptr) {
    FUi->setupUi(this);
    FSpecies = new TSpeciesListModel(this);
    FUi->SpeciesListView->setModel(FSpecies);
    // The id is the program's, not the user's: read-only on a grey ground.
    QPalette grey = FUi->IdEdit->palette();
    grey.setColor(QPalette::Base, grey.color(QPalette::Window));
    FUi->IdEdit->setPalette(grey);

    auto* validator = new TRecordTextValidator(this);
    for (QLineEdit* edit :
         {FUi->NameEdit, FUi->InfoEdit, FUi->MeaningEdit, FUi->KorvelTypeComboBox->lineEdit(),
          FUi->CommonNameEdit, FUi->ImgCopyrightEdit, FUi->ImgCopyrightURLEdit, FUi->ImgOwnerEdit,
          FUi->ImgOwnerURLEdit, FUi->SpeciesNameEdit, FUi->SpeciesMeaningEdit})
        edit->setValidator(validator);

    const std::pair<QLineEdit*, TEditorBox> lines[] = {
        {FUi->IdEdit, TEditorBox::Id},
        {FUi->NameEdit, TEditorBox::Name},
        {FUi->MeaningEdit, TEditorBox::Meaning},
        {FUi->InfoEdit, TEditorBox::Info},
        {FUi->CommonNameEdit, TEditorBox::CommonName},
        {FUi->ImgCopyrightEdit, TEditorBox::ImgCopyright},
        {FUi->ImgCopyrightURLEdit, TEditorBox::ImgCopyrightURL},
        {FUi->ImgOwnerEdit, TEditorBox::ImgOwner},
        {FUi->ImgOwnerURLEdit, TEditorBox::ImgOwnerURL},
        {FUi->SpeciesNameEdit, TEditorBox::SpeciesName},
        {FUi->SpeciesMeaningEdit, TEditorBox::SpeciesMeaning},
    };
    for (const auto& [edit, box] : lines)
        connect(edit, &QLineEdit::textChanged, this, [this, box = box] { emit BoxChanged(box); });
    connect(FUi->KorvelTypeComboBox, &QComboBox::editTextChanged, this,
            [this] { emit BoxChanged(TEditorBox::KorvelType); });
    WatchMemo(TEditorBox::Description);
    WatchMemo(TEditorBox::SpeciesDescription);

    connect(FUi->SpeciesListView->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this](const QItemSelection& selected, const QItemSelection& deselected) {
                for (const QModelIndex& index : deselected.indexes())
                    emit SpeciesSelectionChanged(index.row(), false);
                for (const QModelIndex& index : selected.indexes())
                    emit SpeciesSelectionChanged(index.row(), true);
            });
    SetSpeciesBoxesEnabled(false);
}

TEditorPage::~TEditorPage() = default;

void TEditorPage::WatchMemo(TEditorBox box) {
    QPlainTextEdit* memo =
        box == TEditorBox::Description ? FUi->DescriptionMemo : FUi->SpeciesDescriptionMemo;
    connect(memo, &QPlainTextEdit::textChanged, this, [this, memo, box] {
        if (memo->property("filtering").toBool())
            return;
        QTextDocument* doc = memo->document();
        QTextCursor hash = doc->find(QStringLiteral("#"));
        if (!hash.isNull()) {
            // Typed or pasted: the field separator goes, in one undo step.
            memo->setProperty("filtering", true);
            QTextCursor block(doc);
            block.beginEditBlock();
            for (; !hash.isNull(); hash = doc->find(QStringLiteral("#"), hash))
                hash.removeSelectedText();
            block.endEditBlock();
            memo->setProperty("filtering", false);
            QApplication::beep();
        }
        emit BoxChanged(box);
    });
}

void TEditorPage::BindActions(const TEditorPageActions& a) {
    QToolBar* bar = FUi->EditorToolBar;
    bar->addActions({a.PrevTab, a.NextTab});
    bar->addSeparator();
    bar->addActions({a.Save, a.Cancel});
    bar->addSeparator();
    bar->addActions({a.AddTreeItem, a.DeleteTreeItem});
    BindButtonToAction(FUi->AddDataBtn, a.AddData);
    BindButtonToAction(FUi->ChooseImageBtn, a.ChooseImg);
    a.NewSpeciesBitBtn->setIcon(Glyph(true));
    a.RemoveSpeciesBitBtn->setIcon(Glyph(false));
    FUi->NewSpeciesBitBtn->setDefaultAction(a.NewSpeciesBitBtn);
    FUi->RemoveSpeciesBitBtn->setDefaultAction(a.RemoveSpeciesBitBtn);
}

QString TEditorPage::Text(TEditorBox box) const {
    switch (box) {
    case TEditorBox::Id:
        return FUi->IdEdit->text();
    case TEditorBox::Name:
        return FUi->NameEdit->text();
    case TEditorBox::Meaning:
        return FUi->MeaningEdit->text();
    case TEditorBox::Info:
        return FUi->InfoEdit->text();
    case TEditorBox::Description:
        return FUi->DescriptionMemo->toPlainText();
    case TEditorBox::KorvelType:
        return FUi->KorvelTypeComboBox->currentText();
    case TEditorBox::CommonName:
        return FUi->CommonNameEdit->text();
    case TEditorBox::ImgCopyright:
        return FUi->ImgCopyrightEdit->text();
    case TEditorBox::ImgCopyrightURL:
        return FUi->ImgCopyrightURLEdit->text();
    case TEditorBox::ImgOwner:
        return FUi->ImgOwnerEdit->text();
    case TEditorBox::ImgOwnerURL:
        return FUi->ImgOwnerURLEdit->text();
    case TEditorBox::SpeciesName:
        return FUi->SpeciesNameEdit->text();
    case TEditorBox::SpeciesMeaning:
        return FUi->SpeciesMeaningEdit->text();
    case TEditorBox::SpeciesDescription:
        return FUi->SpeciesDescriptionMemo->toPlainText();
    case TEditorBox::Count:
        break;
    }
    return {};
}

void TEditorPage::SetText(TEditorBox box, const QString& text) {
    if (Text(box) == text) {
        // The box's own signal stays silent for an unchanged text; the rule still applies.
        emit BoxChanged(box);
        return;
    }
    switch (box) {
    case TEditorBox::Id:
        FUi->IdEdit->setText(text);
        break;
    case TEditorBox::Name:
        FUi->NameEdit->setText(text);
        break;
    case TEditorBox::Meaning:
        FUi->MeaningEdit->setText(text);
        break;
    case TEditorBox::Info:
        FUi->InfoEdit->setText(text);
        break;
    case TEditorBox::Description:
        FUi->DescriptionMemo->setPlainText(text);
        break;
    case TEditorBox::KorvelType:
        FUi->KorvelTypeComboBox->setEditText(text);
        break;
    case TEditorBox::CommonName:
        FUi->CommonNameEdit->setText(text);
        break;
    case TEditorBox::ImgCopyright:
        FUi->ImgCopyrightEdit->setText(text);
        break;
    case TEditorBox::ImgCopyrightURL:
        FUi->ImgCopyrightURLEdit->setText(text);
        break;
    case TEditorBox::ImgOwner:
        FUi->ImgOwnerEdit->setText(text);
        break;
    case TEditorBox::ImgOwnerURL:
        FUi->ImgOwnerURLEdit->setText(text);
        break;
    case TEditorBox::SpeciesName:
        FUi->SpeciesNameEdit->setText(text);
        break;
    case TEditorBox::SpeciesMeaning:
        FUi->SpeciesMeaningEdit->setText(text);
        break;
    case TEditorBox::SpeciesDescription:
        FUi->SpeciesDescriptionMemo->setPlainText(text);
        break;
    case TEditorBox::Count:
        break;
    }
}

void TEditorPage::SetReadOnly(TEditorBox box, bool readOnly) {
    QLineEdit* edit = nullptr;
    switch (box) {
    case TEditorBox::Description:
        FUi->DescriptionMemo->setReadOnly(readOnly);
        return;
    case TEditorBox::SpeciesDescription:
        FUi->SpeciesDescriptionMemo->setReadOnly(readOnly);
        return;
    case TEditorBox::Id: // never typed into
    case TEditorBox::Count:
        return;
    case TEditorBox::Name:
        edit = FUi->NameEdit;
        break;
    case TEditorBox::Meaning:
        edit = FUi->MeaningEdit;
        break;
    case TEditorBox::Info:
        edit = FUi->InfoEdit;
        break;
    case TEditorBox::KorvelType:
        edit = FUi->KorvelTypeComboBox->lineEdit();
        break;
    case TEditorBox::CommonName:
        edit = FUi->CommonNameEdit;
        break;
    case TEditorBox::ImgCopyright:
        edit = FUi->ImgCopyrightEdit;
        break;
    case TEditorBox::ImgCopyrightURL:
        edit = FUi->ImgCopyrightURLEdit;
        break;
    case TEditorBox::ImgOwner:
        edit = FUi->ImgOwnerEdit;
        break;
    case TEditorBox::ImgOwnerURL:
        edit = FUi->ImgOwnerURLEdit;
        break;
    case TEditorBox::SpeciesName:
        edit = FUi->SpeciesNameEdit;
        break;
    case TEditorBox::SpeciesMeaning:
        edit = FUi->SpeciesMeaningEdit;
        break;
    }
    if (edit)
        edit->setReadOnly(readOnly);
}

QTabWidget* TEditorPage::PageControl() const {
    return FUi->EditorPageControl;
}

void TEditorPage::SetTabVisible(ETab tab, bool visible) {
    ShowPageTab(FUi->EditorPageControl, tab, visible);
}

QListView* TEditorPage::SpeciesList() const {
    return FUi->SpeciesListView;
}
int TEditorPage::SpeciesCount() const {
    return FSpecies->rowCount();
}
void TEditorPage::ResetSpecies(int count) {
    FSpecies->Reset(count);
}
void TEditorPage::AppendSpeciesRow() {
    FSpecies->Append();
}
void TEditorPage::RemoveSpeciesRow(int row) {
    FSpecies->Remove(row);
}
void TEditorPage::RepaintSpecies() {
    FSpecies->RepaintAll();
}

int TEditorPage::SelectedSpecies() const {
    const QModelIndexList rows = FUi->SpeciesListView->selectionModel()->selectedIndexes();
    return rows.isEmpty() ? -1 : rows.front().row();
}

void TEditorPage::SelectSpecies(int row) {
    const QModelIndex index = FSpecies->index(row);
    FUi->SpeciesListView->setCurrentIndex(index);
    // Scrolling lays every row out at once; a hidden list does that when it is shown, and the
    // first row needs no scrolling there.
    if (row > 0 || FUi->SpeciesListView->isVisible())
        FUi->SpeciesListView->scrollTo(index);
}

void TEditorPage::ClearSpeciesSelection() {
    FUi->SpeciesListView->clearSelection();
}

void TEditorPage::SetSpeciesBoxesEnabled(bool enabled) {
    for (QWidget* box : std::initializer_list<QWidget*>{FUi->SpeciesNameEdit, FUi->SpeciesMeaningEdit,
                                                        FUi->SpeciesDescriptionMemo})
        box->setEnabled(enabled);
}

void TEditorPage::ClearUndoHistory(bool speciesOnly) {
    std::vector<QLineEdit*> edits = {FUi->SpeciesNameEdit, FUi->SpeciesMeaningEdit};
    std::vector<QPlainTextEdit*> memos = {FUi->SpeciesDescriptionMemo};
    if (!speciesOnly) {
        edits.insert(edits.end(),
                     {FUi->IdEdit, FUi->NameEdit, FUi->InfoEdit, FUi->MeaningEdit,
                      FUi->KorvelTypeComboBox->lineEdit(), FUi->CommonNameEdit, FUi->ImgCopyrightEdit,
                      FUi->ImgCopyrightURLEdit, FUi->ImgOwnerEdit, FUi->ImgOwnerURLEdit});
        memos.push_back(FUi->DescriptionMemo);
    }
    for (QLineEdit* edit : edits) {
        if (!edit->isUndoAvailable() && !edit->isRedoAvailable())
            continue;
        // A line edit has no call to drop its history; a text set from code starts a new one.
        const QSignalBlocker quiet(edit);
        const int cursor = edit->cursorPosition();
        edit->setText(edit->text());
        edit->setCursorPosition(cursor);
    }
    for (QPlainTextEdit* memo : memos)
        memo->document()->clearUndoRedoStacks();
}
