#include "Form_MatchNames.h"

#include "Constants.h"
#include "Dialogs.h"
#include "Errors.h"
#include "NameFold.h"
#include "QtText.h"
#include "TextFiles.h"
#include "ui_Form_MatchNames.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QStandardPaths>

#include <array>
#include <sstream>
#include <sys/stat.h>

namespace {

// The path, the longest, comes last.
enum TColumn { NameColumn, KindColumn, MatchColumn, RankColumn, SuggestionColumn, PathColumn };

const char* const KindTexts[MatchKindCount] = {"Exact", "Folded", "Planned", "Suggestion", "Not found"};

bool Found(const TNameMatch& match) {
    return match.Kind == TMatchKind::Exact || match.Kind == TMatchKind::Folded ||
           match.Kind == TMatchKind::Planned;
}

} // namespace

// The names as rows, and the rows the filter leaves. Texts are made when a row is shown, so that
// a list of a hundred thousand names costs its matches only.
class TMatchListModel : public QAbstractTableModel {
public:
    struct TRow {
        std::string Given;
        TNameMatch Match;
    };

    TMatchListModel(const TNameMatcher& matcher, std::vector<TRow> rows)
        : FMatcher(matcher), FRows(std::move(rows)) {
        for (const TRow& row : FRows)
            ++FCounts[static_cast<size_t>(row.Match.Kind)];
        Filter(QString());
    }

    int rowCount(const QModelIndex& parent) const override {
        return parent.isValid() ? 0 : static_cast<int>(FShown.size());
    }
    int columnCount(const QModelIndex& parent) const override {
        return parent.isValid() ? 0 : PathColumn + 1;
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        static const char* const titles[] = {"Name", "Kind", "Match", "Rank", "Suggestions", "Path"};
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section > PathColumn)
            return {};
        return QString::fromLatin1(titles[section]);
    }
    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid() || index.row() >= rowCount(QModelIndex()) ||
            (role != Qt::DisplayRole && role != Qt::ToolTipRole))
            return {};
        return Text(FRows[FShown[static_cast<size_t>(index.row())]], index.column());
    }

    // Shows the rows whose texts hold `text`, whatever the case; all of them for an empty text.
    void Filter(const QString& text) {
        beginResetModel();
        FShown.clear();
        for (size_t i = 0; i < FRows.size(); ++i) {
            bool shown = text.isEmpty();
            for (int column = NameColumn; column <= PathColumn && !shown; ++column)
                shown = Text(FRows[i], column).contains(text, Qt::CaseInsensitive);
            if (shown)
                FShown.push_back(i);
        }
        endResetModel();
    }

    const TRow& Shown(int row) const { return FRows[FShown[static_cast<size_t>(row)]]; }
    size_t Total() const { return FRows.size(); }
    size_t Count(TMatchKind kind) const { return FCounts[static_cast<size_t>(kind)]; }

private:
    QString Text(const TRow& row, int column) const {
        const TNameMatch& m = row.Match;
        switch (column) {
        case NameColumn:
            return ToQ(row.Given);
        case KindColumn:
            return QString::fromLatin1(KindTexts[static_cast<size_t>(m.Kind)]);
        case MatchColumn:
            return Found(m) ? ToQ(FMatcher.Name(m.Entry)) : QString();
        case PathColumn:
            return Found(m) ? ToQ(FMatcher.Path(m.Entry)) : QString();
        case RankColumn:
            return Found(m) ? QString::fromLatin1(LevelNames[static_cast<size_t>(FMatcher.Level(m.Entry))])
                            : QString();
        case SuggestionColumn: {
            QStringList names;
            for (uint32_t entry : m.Suggestions)
                names << ToQ(FMatcher.Name(entry));
            return names.join(QStringLiteral("; "));
        }
        default:
            return {};
        }
    }

    const TNameMatcher& FMatcher;
    std::vector<TRow> FRows;
    std::vector<size_t> FShown;
    std::array<size_t, MatchKindCount> FCounts{};
};

TFormMatchNames::TFormMatchNames(const TTaxonomyTree& tree, std::string genusPath, TSelectBranch selectBranch,
                                 QWidget* parent)
    : QDialog(parent), FUi(std::make_unique<Ui::FormMatchNames>()), FTree(tree),
      FGenusPath(std::move(genusPath)), FSelectBranch(std::move(selectBranch)) {
    FUi->setupUi(this);
    FUi->SaveButton->setEnabled(false);
    connect(FUi->MatchButton, &QPushButton::clicked, this, [this] { RunAction([this] { MatchNames(); }); });
    connect(FUi->OpenButton, &QPushButton::clicked, this, [this] { RunAction([this] { OpenFile(); }); });
    connect(FUi->SaveButton, &QPushButton::clicked, this, [this] { RunAction([this] { SaveTsv(); }); });
    connect(FUi->FilterEdit, &QLineEdit::textChanged, this, &TFormMatchNames::ApplyFilter);
    connect(FUi->ResultList, &QTreeView::clicked, this, &TFormMatchNames::RowClicked);
    connect(FUi->ResultList, &QTreeView::activated, this, &TFormMatchNames::RowClicked);
}

TFormMatchNames::~TFormMatchNames() = default;

QPlainTextEdit* TFormMatchNames::Names() const {
    return FUi->NamesEdit;
}

QLineEdit* TFormMatchNames::Filter() const {
    return FUi->FilterEdit;
}

QTreeView* TFormMatchNames::Results() const {
    return FUi->ResultList;
}

QLabel* TFormMatchNames::Counts() const {
    return FUi->CountsLabel;
}

void TFormMatchNames::MatchNames() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    struct TRestore {
        ~TRestore() { QApplication::restoreOverrideCursor(); }
    } restore;
    // The rows name entries of the matcher: they go before it does.
    FUi->ResultList->setModel(nullptr);
    FModel.reset();
    if (!FMatcher || FMatcher->TreeStamp() != FTree.Stamp()) {
        FMatcher.reset();
        FMatcher = std::make_unique<TNameMatcher>(FTree, FGenusPath);
    }
    const std::string text = FromQ(FUi->NamesEdit->toPlainText());
    std::vector<std::string_view> names;
    ForEachLine(text, [&](std::string_view line) {
        if (const std::string_view given = TrimmedLine(line); !given.empty())
            names.push_back(given);
    });
    std::vector<TNameMatch> matches = FMatcher->MatchAll(names);
    std::vector<TMatchListModel::TRow> rows;
    rows.reserve(names.size());
    for (size_t i = 0; i < names.size(); ++i)
        rows.push_back({std::string(names[i]), std::move(matches[i])});
    FModel = std::make_unique<TMatchListModel>(*FMatcher, std::move(rows));
    FUi->ResultList->setModel(FModel.get());
    for (int column = NameColumn; column <= SuggestionColumn; ++column)
        FUi->ResultList->resizeColumnToContents(column);
    const QLocale locale;
    QStringList counts;
    for (int kind = 0; kind < MatchKindCount; ++kind)
        counts << QStringLiteral("%1: %2").arg(QString::fromLatin1(KindTexts[kind]),
                                               locale.toString(qulonglong(FModel->Count(TMatchKind(kind)))));
    FUi->CountsLabel->setText(counts.join(QStringLiteral("    ")));
    FUi->SaveButton->setEnabled(FModel->Total() > 0);
    ApplyFilter(FUi->FilterEdit->text());
}

void TFormMatchNames::OpenFile() {
    const QString chosen = DialogSeam().OpenFileName(QStringLiteral("Open Names"),
                                                     QStringLiteral("Text files (*.txt);;All files (*)"));
    if (chosen.isEmpty())
        return;
    const std::string path = QFile::encodeName(chosen).toStdString();
    struct stat info {};
    if (stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode))
        throw EFOpenError(path + ": not a file of names");
    FUi->NamesEdit->setPlainText(ToQ(ReadFileBytes(path)));
    MatchNames();
}

void TFormMatchNames::SaveTsv() {
    if (!FModel || !FMatcher)
        return;
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    const QString chosen = DialogSeam().SaveFileName(
        QStringLiteral("Save as TSV"), QStringLiteral("Tab-separated values (*.tsv);;All files (*)"),
        QDir(documents.isEmpty() ? QDir::homePath() : documents).filePath(QStringLiteral("names.tsv")));
    if (chosen.isEmpty())
        return;
    std::ostringstream out;
    out << MatchTsvHeader;
    for (int row = 0; row < FModel->rowCount(QModelIndex()); ++row) {
        const TMatchListModel::TRow& shown = FModel->Shown(row);
        WriteMatchTsvLine(out, *FMatcher, shown.Given, shown.Match);
    }
    WriteTextFileAtomic(QFile::encodeName(chosen).toStdString(), out.str());
}

void TFormMatchNames::ApplyFilter(const QString& text) {
    if (!FModel) {
        FUi->ShownLabel->clear();
        return;
    }
    const QString wanted = text.trimmed();
    FModel->Filter(wanted);
    const auto total = static_cast<qulonglong>(FModel->Total());
    const auto shown = static_cast<qulonglong>(FModel->rowCount(QModelIndex()));
    FUi->ShownLabel->setText(total == 0         ? QStringLiteral("No names")
                             : wanted.isEmpty() ? QStringLiteral("%1 names").arg(total)
                                                : QStringLiteral("%1 of %2 names").arg(shown).arg(total));
}

void TFormMatchNames::RowClicked(const QModelIndex& index) {
    if (!index.isValid() || !FModel || !FSelectBranch)
        return;
    // Entries are good while the tree is as the matcher read it; otherwise the list is made anew.
    if (FMatcher->TreeStamp() != FTree.Stamp()) {
        RunAction([this] { MatchNames(); });
        return;
    }
    const TNameMatch& match = FModel->Shown(index.row()).Match;
    const bool found = Found(match);
    if (!found && match.Suggestions.empty())
        return;
    if (TTreeNode* node = FMatcher->Node(found ? match.Entry : match.Suggestions.front()))
        FSelectBranch(node);
}
