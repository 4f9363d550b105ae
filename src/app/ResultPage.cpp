#include "ResultPage.h"

#include "Constants.h"
#include "QtText.h"
#include "TaxonomyTree.h"
#include "ui_ResultPage.h"

TResultPage::TResultPage(QWidget* parent) : QWidget(parent), FUi(std::make_unique<Ui::TResultPage>()) {
    FUi->setupUi(this);
}

TResultPage::~TResultPage() = default;

QListWidget* TResultPage::List() const { return FUi->ResultListView; }

std::optional<TTaxonomyData> TResultPage::SelectedKey() const {
    const QListWidgetItem* entry = FUi->ResultListView->currentItem();
    if (!entry || !entry->isSelected())
        return std::nullopt;
    const QVariant data = entry->data(Qt::UserRole);
    if (data.canConvert<QStringList>() && data.toStringList().size() == 4) {
        const QStringList f = data.toStringList();
        return TTaxonomyData(FromQ(f[0]), FromQ(f[1]), FromQ(f[2]), FromQ(f[3]));
    }
    return MakeNodeKey(GenusLevel, std::string(), FromQ(entry->text()), std::string());
}

void TResultPage::Clear() { FUi->ResultListView->clear(); }
