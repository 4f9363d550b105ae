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
    : QWidget(parent, Qt::Window), Ui_(std::make_unique<Ui::FormHelpViewer>()) {
    Ui_->setupUi(this);
    // Help left open must not keep the program running once the main window has closed.
    setAttribute(Qt::WA_QuitOnClose, false);
    Ui_->HelpSplitter->setStretchFactor(0, 0);
    Ui_->HelpSplitter->setStretchFactor(1, 1);
    Ui_->HelpSplitter->setSizes({220, 540});
    Ui_->HelpBackBtn->setEnabled(false);

    connect(Ui_->HelpTopicList, &QListWidget::currentRowChanged, this, &THelpViewer::TopicListRowChanged);
    connect(Ui_->HelpTopicView, &QTextBrowser::anchorClicked, this, &THelpViewer::TopicViewAnchorClicked);
    connect(Ui_->HelpBackBtn, &QPushButton::clicked, this, &THelpViewer::GoBack);
    connect(Ui_->HelpContentsBtn, &QPushButton::clicked, this, [this] {
        if (const THelpTopic* contents = File_.Contents())
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
    if (helpFilePath != Path_) {
        History_.clear();
        Current_ = -1;
    }
    Path_ = helpFilePath;
    File_ = std::move(file);
    if (Current_ >= 0 && !File_.FindTopic(Current_))
        Current_ = -1;
    std::erase_if(History_, [this](int number) { return !File_.FindTopic(number); });
    FillTopicList();
    return true;
}

void THelpViewer::FillTopicList() {
    const QSignalBlocker block(Ui_->HelpTopicList);
    Ui_->HelpTopicList->clear();
    for (const THelpTopic& topic : File_.Topics()) {
        auto* item = new QListWidgetItem(ToQ(topic.Title), Ui_->HelpTopicList);
        item->setData(Qt::UserRole, topic.Number);
    }
}

void THelpViewer::ShowContents(const std::string& helpFilePath) {
    if (!LoadFile(helpFilePath))
        return;
    GoToTopic(File_.Contents()->Number);
    ShowWindow();
}

void THelpViewer::ShowTopic(const std::string& helpFilePath, int contextNumber) {
    if (!LoadFile(helpFilePath))
        return;
    GoToTopic(contextNumber);
    ShowWindow();
}

void THelpViewer::GoToTopic(int contextNumber) {
    const THelpTopic* topic = File_.FindTopic(contextNumber);
    if (!topic)
        topic = File_.Contents();
    if (!topic)
        return;
    if (Current_ >= 0 && Current_ != topic->Number)
        History_.push_back(Current_);
    Present(*topic);
}

void THelpViewer::GoBack() {
    if (History_.empty())
        return;
    const int number = History_.back();
    History_.pop_back();
    if (const THelpTopic* topic = File_.FindTopic(number))
        Present(*topic);
}

void THelpViewer::Present(const THelpTopic& topic) {
    Current_ = topic.Number;
    Ui_->HelpTopicView->setHtml(QString::fromUtf8(HelpTopicHtml(File_, topic)));
    const auto& topics = File_.Topics();
    for (size_t i = 0; i < topics.size(); ++i) {
        if (&topics[i] == &topic) {
            const QSignalBlocker block(Ui_->HelpTopicList);
            Ui_->HelpTopicList->setCurrentRow(static_cast<int>(i));
            break;
        }
    }
    Ui_->HelpBackBtn->setEnabled(CanGoBack());
}

void THelpViewer::ShowWindow() {
    show();
    if (isMinimized())
        showNormal();
    raise();
    activateWindow();
}

void THelpViewer::TopicListRowChanged(int row) {
    if (QListWidgetItem* item = Ui_->HelpTopicList->item(row))
        GoToTopic(item->data(Qt::UserRole).toInt());
}

void THelpViewer::TopicViewAnchorClicked(const QUrl& url) {
    const int number = HelpTopicFromHref(FromQ(url.toString()));
    if (number >= 0)
        GoToTopic(number);
}
