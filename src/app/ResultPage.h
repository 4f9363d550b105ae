// The Search Result page: what was looked for, the genera found, and their count.
#pragma once

#include "TaxonomyData.h"

#include <QWidget>
#include <memory>
#include <optional>

class QListWidget;
namespace Ui {
class TResultPage;
}

class TResultPage : public QWidget {
    Q_OBJECT
public:
    explicit TResultPage(QWidget* parent = nullptr);
    ~TResultPage() override;

    QListWidget* List() const;
    // The selected entry as a tree key: an entry with node data gives (marker, id, name, info),
    // one without (a forgotten genus) the genus key made from its caption. None when nothing is
    // selected.
    std::optional<TTaxonomyData> SelectedKey() const;
    // Empties the list: entries refer to tree nodes, which a rebuilt tree no longer has.
    void Clear();

private:
    std::unique_ptr<Ui::TResultPage> FUi;
};
