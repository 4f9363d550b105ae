// The related links panel below the summary: branch links and web links collected while the
// current summary was built.
#pragma once

#include <QString>
#include <QWidget>
#include <functional>

class QAction;
class QToolBar;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;

class TRelatedLinksPanel : public QWidget {
    Q_OBJECT
public:
    TRelatedLinksPanel(QAction* toggle, QWidget* parent = nullptr);

    // Kind 0: branch link (marker and id of the target); kind 1: web link (the address).
    void AddRelatedLink(const QString& caption, int kind, const QString& markerOrUrl, const QString& id);
    void ClearRelatedLinks();
    void ShowRelatedLinks(bool visible);
    void Toggle() { ShowRelatedLinks(!FToggleAction->isChecked()); }

    int Count() const;
    QString Caption(int row) const;
    QString Tip(int row) const;
    QTreeWidget* List() const { return FListView; }
    // Acts as a left click on the entry in `row` does.
    void Activate(int row);
    void UpdateColumnWidth();

    // A click on a branch link selects that branch (level, id).
    std::function<bool(int level, const QString& id)> OnSelectBranch;
    // A click on a web link opens the address.
    std::function<void(const QString& url)> OnOpenUrl;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void UpdateHeight();
    void SetHotItem(QTreeWidgetItem* item);
    QAction* FToggleAction;
    QToolBar* FToolBar = nullptr;
    QTreeWidget* FListView = nullptr;
    QTreeWidgetItem* FHotItem = nullptr;
};
