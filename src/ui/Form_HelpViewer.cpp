#include "Form_HelpViewer.h"

#include "Dialogs.h"
#include "Format.h"
#include "QtText.h"
#include "ui_Form_HelpViewer.h"

#include <QApplication>
#include <QKeySequence>
#include <QPointer>
#include <QShortcut>
#include <QSignalBlocker>
#include <QStyle>
#include <QUrl>

namespace {

QPointer<THelpViewer> TheViewer;

} // namespace

THelpViewer& THelpViewer::Instance() {
    if (!TheViewer) {
        TheViewer = new THelpViewer;
        // Deleted while the application still runs; a static object would outlive it.
        QObject::connect(qApp, &QCoreApplication::aboutToQuit, TheViewer.data(), [] { delete TheViewer; });
    }
    return *TheViewer;
}

bool THelpViewer::Exists() {
    return !TheViewer.isNull();
}

THelpViewer::THelpViewer(QWidget* parent)
    : QWidget(parent, Qt::Window), FUi(std::make_unique<Ui::FormHelpViewer>()) {
    FUi->setupUi(this);
    // Help left open must not keep the program running once the main window has closed.
    setAttribute(Qt::WA_QuitOnClose, false);
    FUi->HelpSplitter->setStretchFactor(0, 0);
    FUi->HelpSplitter->setStretchFactor(1, 1);
    FUi->HelpSplitter->setSizes({220, 540});
    FUi->HelpBackBtn->setEnabled(false);

    connect(FUi->HelpTopicList, &QListWidget::currentRowChanged, this, &THelpViewer::TopicListRowChanged);
    connect(FUi->HelpTopicView, &QTextBrowser::anchorClicked, this, &THelpViewer::TopicViewAnchorClicked);
    connect(FUi->HelpBackBtn, &QPushButton::clicked, this, &THelpViewer::GoBack);
    connect(FUi->HelpContentsBtn, &QPushButton::clicked, this, [this] {
        if (const THelpTopic* contents = FFile.Contents())
            GoToTopic(contents->Number);
    });
    auto* back = new QShortcut(QKeySequence::Back, this);
    connect(back, &QShortcut::activated, this, &THelpViewer::GoBack);
    auto* close = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(close, &QShortcut::activated, this, &QWidget::close);
}

THelpViewer::~THelpViewer() = default;

bool THelpViewer::LoadFile(const std::string& helpFilePath) {
    // The viewer, like any help viewer, says why it shows nothing; the main window itself
    // reports nothing about help.
    THelpFile file;
    if (!file.Load(helpFilePath)) {
        ShowErrorBox("The help file %s could not be opened.", {helpFilePath});
        return false;
    }
    if (!file.Contents()) {
        ShowErrorBox("The help file %s contains no help topics.", {helpFilePath});
        return false;
    }
    // The same file keeps its history, so help opened again can still go back.
    if (helpFilePath != FPath) {
        FHistory.clear();
        FCurrent = -1;
    }
    FPath = helpFilePath;
    FFile = std::move(file);
    if (FCurrent >= 0 && !FFile.FindTopic(FCurrent))
        FCurrent = -1;
    std::erase_if(FHistory, [this](int number) { return !FFile.FindTopic(number); });
    FillTopicList();
    return true;
}

void THelpViewer::FillTopicList() {
    const QSignalBlocker block(FUi->HelpTopicList);
    FUi->HelpTopicList->clear();
    for (const THelpTopic& topic : FFile.Topics()) {
        auto* item = new QListWidgetItem(ToQ(topic.Title), FUi->HelpTopicList);
        item->setData(Qt::UserRole, topic.Number);
    }
    // Every title whole: the list is as wide as its widest title.
    QListWidget* list = FUi->HelpTopicList;
    list->setMinimumWidth(list->sizeHintForColumn(0) + 2 * list->frameWidth() +
                          list->style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 4);
}

void THelpViewer::ShowContents(const std::string& helpFilePath) {
    if (!LoadFile(helpFilePath))
        return;
    GoToTopic(FFile.Contents()->Number);
    ShowWindow();
}

void THelpViewer::ShowTopic(const std::string& helpFilePath, int contextNumber) {
    if (!LoadFile(helpFilePath))
        return;
    GoToTopic(contextNumber);
    ShowWindow();
}

void THelpViewer::GoToTopic(int contextNumber) {
    const THelpTopic* topic = FFile.FindTopic(contextNumber);
    if (!topic)
        topic = FFile.Contents();
    if (!topic)
        return;
    if (FCurrent >= 0 && FCurrent != topic->Number)
        FHistory.push_back(FCurrent);
    Present(*topic);
}

void THelpViewer::GoBack() {
    if (FHistory.empty())
        return;
    const int number = FHistory.back();
    FHistory.pop_back();
    if (const THelpTopic* topic = FFile.FindTopic(number))
        Present(*topic);
}

void THelpViewer::Present(const THelpTopic& topic) {
    FCurrent = topic.Number;
    FUi->HelpTopicView->setHtml(QString::fromUtf8(HelpTopicHtml(FFile, topic)));
    const auto& topics = FFile.Topics();
    for (size_t i = 0; i < topics.size(); ++i) {
        if (&topics[i] == &topic) {
            const QSignalBlocker block(FUi->HelpTopicList);
            FUi->HelpTopicList->setCurrentRow(static_cast<int>(i));
            break;
        }
    }
    FUi->HelpBackBtn->setEnabled(CanGoBack());
}

void THelpViewer::ShowWindow() {
    FitToScreen(*this);
    show();
    if (isMinimized())
        showNormal();
    raise();
    activateWindow();
}

void THelpViewer::TopicListRowChanged(int row) {
    if (QListWidgetItem* item = FUi->HelpTopicList->item(row))
        GoToTopic(item->data(Qt::UserRole).toInt());
}

void THelpViewer::TopicViewAnchorClicked(const QUrl& url) {
    const int number = HelpTopicFromHref(FromQ(url.toString()));
    if (number >= 0)
        GoToTopic(number);
}
