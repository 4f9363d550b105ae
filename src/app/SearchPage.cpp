#include "SearchPage.h"

#include "MainActions.h"
#include "ui_SearchPage.h"

#include <QAction>
#include <QShortcut>

TSearchPage::TSearchPage(QWidget* parent) : QWidget(parent), FUi(std::make_unique<Ui::TSearchPage>()) {
    FUi->setupUi(this);
}

TSearchPage::~TSearchPage() = default;

void TSearchPage::BindActions(QAction* search, QAction* showAll) {
    BindButtonToAction(FUi->SearchBtn, search);
    BindButtonToAction(FUi->ShowAllGenusBtn, showAll);
    connect(FUi->SearchTextEdit, &QLineEdit::textChanged, this, &TSearchPage::SearchTextChanged);
    // A page of a main window has no default button: Enter is taken here.
    for (const QKeySequence& key : {QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)}) {
        auto* enter = new QShortcut(key, this, nullptr, nullptr, Qt::WidgetWithChildrenShortcut);
        connect(enter, &QShortcut::activated, search, [search] {
            if (search->isEnabled())
                search->trigger();
        });
    }
}

QString TSearchPage::SearchText() const {
    return FUi->SearchTextEdit->text();
}

QWidget* TSearchPage::TextEdit() const {
    return FUi->SearchTextEdit;
}
bool TSearchPage::MatchAll() const {
    return FUi->SearchMatchAllRadio->isChecked();
}
bool TSearchPage::SearchKeyword() const {
    return FUi->SearchKeywordChkBox->isChecked();
}
bool TSearchPage::SearchType() const {
    return FUi->SearchTypeChkBox->isChecked();
}
bool TSearchPage::SearchCommonName() const {
    return FUi->SearchCommonNameChkBox->isChecked();
}
bool TSearchPage::SearchDescription() const {
    return FUi->SearchDescriptionChkBox->isChecked();
}
bool TSearchPage::SearchName() const {
    return FUi->SearchNameChkBox->isChecked();
}
