#include "Form_SubmitPreview.h"

#include "Constants.h"
#include "Dialogs.h"
#include "Fields.h"
#include "Platform.h"
#include "QtText.h"
#include "TaxonomyTree.h"
#include "ui_Form_SubmitPreview.h"

#include <QHeaderView>
#include <algorithm>
#include <exception>

namespace {
enum { ItemColumn, BeforeColumn, AfterColumn };

const char* StateText(TRecordState state) {
    switch (state) {
    case TRecordState::Added:
        return "Added";
    case TRecordState::Changed:
        return "Changed";
    case TRecordState::Unchanged:
        break;
    }
    return "Unchanged";
}

// A row shows one line of each value; the whole text is in its tool tip.
QTreeWidgetItem* AddRow(QTreeWidgetItem* parent, const QString& item, const std::string& before = {},
                        const std::string& after = {}) {
    auto* row = new QTreeWidgetItem(parent);
    row->setText(ItemColumn, item);
    const QString texts[] = {ToQ(before), ToQ(after)};
    for (int k = 0; k < 2; ++k) {
        QString shown = texts[k];
        row->setText(BeforeColumn + k, shown.replace('\n', QStringLiteral(" / ")));
        row->setToolTip(BeforeColumn + k, texts[k]);
    }
    return row;
}

// A line of the user tree file as the tree captions it: "Order Secunda (info)".
QString TreeLineText(const std::string& line) {
    TTaxonomyData data;
    SplitFields(line, data.Fields, 3);
    if (data.Level() >= LevelCount)
        return ToQ(line);
    return ToQ(NodeText(data.Level(), data, 3));
}

QString FileSummary(const TFilePreview& file) {
    const QString name = ToQ(ExtractFileName(file.Path));
    if (file.Missing)
        return QStringLiteral("%1: the file is missing and cannot be sent").arg(name);
    if (file.Level >= 0) {
        QString text = QStringLiteral("%1: %2 added, %3 changed, %4 unchanged")
                           .arg(name)
                           .arg(file.Count(TRecordState::Added))
                           .arg(file.Count(TRecordState::Changed))
                           .arg(file.Count(TRecordState::Unchanged));
        if (file.NoLocal)
            text += QStringLiteral(" (there is no local %1 database)")
                        .arg(QString::fromLatin1(LevelNames[static_cast<size_t>(file.Level)]).toLower());
        return text;
    }
    if (file.Level == -1)
        return QStringLiteral("%1: %2 line(s) placing the branches you added in the tree")
            .arg(name)
            .arg(file.LineCount);
    return QStringLiteral("%1: %2 line(s), sent as the file is").arg(name).arg(file.LineCount);
}

void AddPictures(QTreeWidgetItem* fileRow, const TFilePreview& file, const TStringList& checked) {
    if (file.Pictures.empty() && file.MissingPictures.empty())
        return;
    auto* pictures = AddRow(fileRow, QStringLiteral("Pictures"));
    for (const std::string& name : file.Pictures) {
        const bool sent = std::find(checked.begin(), checked.end(), name) != checked.end();
        AddRow(pictures, ToQ(name), {}, sent ? "sent" : "not sent: unchecked");
    }
    for (const std::string& name : file.MissingPictures)
        AddRow(pictures, ToQ(name), {}, "not sent: not in the images folder");
    pictures->setExpanded(true);
}
} // namespace

TFormSubmitPreview::TFormSubmitPreview(const std::vector<TFilePreview>& files,
                                       const TStringList& checkedPictures, QWidget* parent)
    : QDialog(parent), FUi(std::make_unique<Ui::FormSubmitPreview>()) {
    FUi->setupUi(this);
    connect(FUi->CloseBtn, &QPushButton::clicked, this, &QDialog::accept);
    QTreeWidget* tree = FUi->PreviewTree;
    for (const TFilePreview& file : files) {
        auto* fileRow = new QTreeWidgetItem(tree);
        fileRow->setText(ItemColumn, FileSummary(file));
        fileRow->setToolTip(ItemColumn, ToQ(file.Path));
        for (const std::string& line : file.Lines)
            AddRow(fileRow, TreeLineText(line))->setToolTip(ItemColumn, ToQ(line));
        for (const TRecordPreview& record : file.Records) {
            auto* row = AddRow(fileRow, QStringLiteral("%1: %2 %3")
                                            .arg(QString::fromLatin1(StateText(record.State)), ToQ(record.Id),
                                                 ToQ(record.Name)));
            for (const TFieldChange& change : record.Changes)
                AddRow(row, ToQ(change.Field), change.Before, change.After);
            row->setExpanded(true);
        }
        AddPictures(fileRow, file, checkedPictures);
        fileRow->setExpanded(true);
    }
    tree->header()->setSectionResizeMode(ItemColumn, QHeaderView::ResizeToContents);
}

TFormSubmitPreview::~TFormSubmitPreview() = default;

QTreeWidget* TFormSubmitPreview::Tree() const {
    return FUi->PreviewTree;
}

void RunSubmitPreview(const TStringList& files, const TStringList& checkedPictures, QWidget* parent) {
    std::vector<TFilePreview> previews;
    try {
        previews = PreviewSubmission(files);
    } catch (const std::exception& e) {
        // A file that cannot be read is reported; the submission itself is not affected.
        ShowDefaultErrorReport(e.what());
        return;
    }
    TFormSubmitPreview preview(previews, checkedPictures, parent);
    DialogSeam().ExecDialog(preview);
}
