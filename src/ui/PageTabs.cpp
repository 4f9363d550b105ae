#include "PageTabs.h"

#include <QAccessibleWidget>
#include <QPointer>
#include <QRegularExpression>
#include <QTabBar>
#include <QTabWidget>
#include <map>

namespace {

// The text a tab shows, without its mnemonic marks.
QString Caption(const QTabBar* bar, int index) {
    QString text = bar->tabText(index);
    text.remove(QRegularExpression(QStringLiteral("&(?!&)")));
    return text.replace(QStringLiteral("&&"), QStringLiteral("&"));
}

// One tab of a bar, by its index there.
class TPageTabAccessible : public QAccessibleInterface, public QAccessibleActionInterface {
public:
    TPageTabAccessible(QTabBar* bar, int index) : FBar(bar), FIndex(index) {}

    bool isValid() const override { return FBar && FIndex < FBar->count(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return FBar ? FBar->window()->windowHandle() : nullptr; }
    QAccessibleInterface* parent() const override {
        return QAccessible::queryAccessibleInterface(FBar.data());
    }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessibleInterface* focusChild() const override { return nullptr; }
    QAccessible::Role role() const override { return QAccessible::PageTab; }

    QString text(QAccessible::Text t) const override {
        if (!isValid())
            return {};
        if (t == QAccessible::Name)
            return Caption(FBar, FIndex);
        if (t == QAccessible::Description)
            return FBar->tabToolTip(FIndex);
        return {};
    }
    void setText(QAccessible::Text, const QString&) override {}

    QRect rect() const override {
        if (!isValid())
            return {};
        const QRect r = FBar->tabRect(FIndex);
        return QRect(FBar->mapToGlobal(r.topLeft()), r.size());
    }

    QAccessible::State state() const override {
        QAccessible::State s;
        if (!isValid()) {
            s.invalid = true;
            return s;
        }
        const bool current = FBar->currentIndex() == FIndex;
        s.selectable = true;
        s.focusable = true;
        s.selected = current;
        s.focused = current && FBar->hasFocus();
        s.disabled = !FBar->isTabEnabled(FIndex);
        s.invisible = !FBar->isTabVisible(FIndex);
        return s;
    }

    void* interface_cast(QAccessible::InterfaceType type) override {
        return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this)
                                                    : nullptr;
    }
    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString& name) override {
        if (name == pressAction() && isValid() && FBar->isTabEnabled(FIndex) && FBar->isTabVisible(FIndex))
            FBar->setCurrentIndex(FIndex);
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

    int Index() const { return FIndex; }

private:
    QPointer<QTabBar> FBar;
    int FIndex;
};

// The bar: role PageTabList, its shown tabs as children.
class TPageTabBarAccessible : public QAccessibleWidget {
public:
    explicit TPageTabBarAccessible(QTabBar* bar) : QAccessibleWidget(bar, QAccessible::PageTabList) {}
    ~TPageTabBarAccessible() override {
        for (const auto& [index, id] : FTabs)
            QAccessible::deleteAccessibleInterface(id);
    }

    QTabBar* Bar() const { return static_cast<QTabBar*>(widget()); }

    int childCount() const override {
        int shown = 0;
        for (int i = 0; i < Bar()->count(); ++i)
            shown += Bar()->isTabVisible(i) ? 1 : 0;
        return shown;
    }
    QAccessibleInterface* child(int which) const override {
        for (int i = 0, shown = 0; i < Bar()->count(); ++i) {
            if (!Bar()->isTabVisible(i))
                continue;
            if (shown++ == which)
                return Tab(i);
        }
        return nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        if (!child || child->role() != QAccessible::PageTab || child->parent() != this)
            return -1;
        const int index = static_cast<const TPageTabAccessible*>(child)->Index();
        if (!Bar()->isTabVisible(index))
            return -1;
        int shown = 0;
        for (int i = 0; i < index; ++i)
            shown += Bar()->isTabVisible(i) ? 1 : 0;
        return shown;
    }
    QAccessibleInterface* childAt(int x, int y) const override {
        const int index = Bar()->tabAt(Bar()->mapFromGlobal(QPoint(x, y)));
        return index >= 0 && Bar()->isTabVisible(index) ? Tab(index) : nullptr;
    }
    QAccessibleInterface* focusChild() const override {
        const int index = Bar()->currentIndex();
        return Bar()->hasFocus() && index >= 0 ? Tab(index) : nullptr;
    }

private:
    QAccessibleInterface* Tab(int index) const {
        auto found = FTabs.find(index);
        if (found == FTabs.end())
            found =
                FTabs
                    .emplace(index,
                             QAccessible::registerAccessibleInterface(new TPageTabAccessible(Bar(), index)))
                    .first;
        return QAccessible::accessibleInterface(found->second);
    }

    mutable std::map<int, QAccessible::Id> FTabs;
};

QAccessibleInterface* PageTabsFactory(const QString&, QObject* object) {
    if (auto* bar = qobject_cast<QTabBar*>(object))
        return new TPageTabBarAccessible(bar);
    return nullptr;
}

} // namespace

void ShowPageTab(QTabWidget* pages, int index, bool shown) {
    pages->setTabVisible(index, shown);
    pages->setTabEnabled(index, shown);
}

void InstallPageTabsAccessibility() {
    static bool installed = false;
    if (!installed) {
        QAccessible::installFactory(PageTabsFactory);
        installed = true;
    }
}
