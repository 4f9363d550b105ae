// The main window's side of the summary: the summary view, the related links, presenting the
// selected branch and the Refresh Item command.
#include "Form_Main.h"

#include "Global.h"
#include "QtText.h"
#include "RelatedLinks.h"
#include "RtfTextDocument.h"
#include "TaxonomyTreeModel.h"

#include <QAction>
#include <QDesktopServices>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTextBrowser>
#include <QTreeView>
#include <QUrl>

void TFormMain::AddRelatedLink(const std::string& caption, int kind, const TTaxonomyData& key,
                               const std::string& url) {
    if (kind == 0)
        LinksPanel_->AddRelatedLink(ToQ(caption), 0, ToQ(key.Marker()), ToQ(key.Id()));
    else
        LinksPanel_->AddRelatedLink(ToQ(caption), 1, ToQ(url), QString());
}

void TFormMain::ClearRelatedLinks() { LinksPanel_->ClearRelatedLinks(); }

std::optional<std::string> TFormMain::FindNodeCaption(const TTaxonomyData& key) {
    if (const TTreeNode* node = FindTreeNode(Tree_, key))
        return Tree_.Caption(node);
    return std::nullopt;
}

void TFormMain::LoadSummaryDocument(const std::string& rtf) {
    LoadRtfIntoDocument(*DetailMemo_->document(), rtf);
}

QString TFormMain::SummaryPlainText() const { return DetailMemo_->toPlainText(); }

bool TFormMain::SelectBranch(int level, const std::string& id) {
    const TTaxonomyData key = MakeNodeKey(level, id, std::string(), std::string());
    TTreeNode* node = FindTreeNode(Tree_, key);
    if (!node)
        return false;
    SelectNode(node);
    return true;
}

void TFormMain::SetCaptionFromSelection() {
    const TTreeNode* node = SelectedNode();
    if (node)
        setWindowTitle(ToQ(Tree_.Caption(node)) + QStringLiteral(" - ") + QString::fromUtf8(AppTitle));
    else
        setWindowTitle(QString::fromUtf8(AppTitle));
}

void TFormMain::PresentRecord() {
    SetCaptionFromSelection();
    const bool genus = CurrentRecord.Level == GenusLevel;
    InfoPageControl->setTabVisible(InfoPageControl->indexOf(ImageTabSheet), genus);
    if (genus && ShowGenusImage()) {
        ShowImageBtn->hide();
    } else {
        ClearGenusImage();
        ShowImageBtn->setVisible(genus);
    }
}

void TFormMain::PresentNoRecord() {
    SetCaptionFromSelection();
    ClearGenusImage();
    ShowImageBtn->setVisible(false);
}

void TFormMain::RefreshItemCommand() {
    // One command: the go-on-line question is asked at most once, for the database and the picture.
    TServerCommand command(*this);
    TTaxonomyData item;
    int level = 0;
    if (focusWidget() == ResultListView) {
        QListWidgetItem* entry = ResultListView->currentItem();
        if (!entry || !entry->isSelected())
            return; // nothing selected in the active list: nothing to refresh
        const QVariant data = entry->data(Qt::UserRole);
        if (data.canConvert<QStringList>() && data.toStringList().size() == 4) {
            const QStringList f = data.toStringList();
            item = TTaxonomyData(FromQ(f[0]), FromQ(f[1]), FromQ(f[2]), FromQ(f[3]));
        } else {
            item = MakeNodeKey(GenusLevel, std::string(), FromQ(entry->text()), std::string());
        }
        level = GenusLevel;
    } else {
        const TTreeNode* node = SelectedNode();
        if (!node)
            return;
        item = node->Data;
        level = node->Level();
    }
    const TTreeNode* selected = SelectedNode();
    if (!item.Id().empty())
        FetchItemDatabase(item, level);
    // A branch chosen while the database was coming has shown its own summary; this one is stale.
    if (SelectedNode() != selected)
        return;
    SetStatus("Generating summary...");
    ReadDetail(item, CurrentRecord);
    DetailMemo_->clear();
    if (CurrentRecord.Level < 0) {
        const char* levelName = level >= 0 && level <= GenusLevel ? LevelNames[static_cast<size_t>(level)] : "";
        Summary_->ShowSummary(Format(DataNotFoundTemplate, {levelName, item.Name()}));
        PresentNoRecord();
    } else {
        Summary_->BuildRecordSummary(CurrentRecord);
        DownloadImage();
        PresentRecord();
    }
    SetStatus("Ready");
}
