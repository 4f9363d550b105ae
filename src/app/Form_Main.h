// The main window: the tree on the left, the summary, picture and editor on the right, the
// action table, start-up and shut-down.
#pragma once

#include "NMHTTP.h"
#include "PageTransfer.h"
#include "SummaryDocument.h"
#include "TaxonomyTree.h"

#include <QHash>
#include <QMainWindow>
#include <QPointer>
#include <memory>
#include <optional>

class QAction;
class QActionGroup;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QSplitter;
class QTabWidget;
class QTextBrowser;
class QToolButton;
class QTreeView;
class TFormSplash;
class TTaxonomyTreeModel;
class TRelatedLinksPanel;

// The pictures of the genera in the user's modified genus databases that exist in the images folder.
TStringList CollectSubmitImages(const TStringList& modifiedFiles);
void AddGenusImages(const std::string& genusFile, TStringList& pictures);
// The picture names of a genus database's records, in file order, "-" and unsafe names left out.
TStringList GenusPictureNames(const std::string& genusFile);
// The pages the Help menu opens in the browser.
std::string SurveyAddress();
std::string SuggestionAddress();

class TFormMain : public QMainWindow, public ISummaryHost {
    Q_OBJECT
public:
    // Runs the whole creation sequence; `splash` receives the status texts while starting.
    explicit TFormMain(TFormSplash* splash = nullptr, QWidget* parent = nullptr);
    ~TFormMain() override;

    // Page indexes of MainPageControl.
    enum { TaxonomyPage = 0, SearchPage = 1, ResultPage = 2 };

    QAction* Action(const char* name) const;
    TTaxonomyTree& Tree() { return Tree_; }
    TTaxonomyTreeModel* TreeModel() const { return TreeModel_; }
    QTreeView* TaxonomyTreeView() const { return TaxonomyTreeView_; }
    QTabWidget* MainPageControl() const { return MainPageControl_; }
    QTextBrowser* DetailMemo() const { return DetailMemo_; }

    // The status line: the splash while starting, the status bar after.
    void SetStatusText(const QString& text);
    QString StatusText() const;

    void SetDisplayMode(int mode);
    void RebuildTree();
    void ShowMainPage(int index);
    void MainPageControlChange(int index);
    void InfoPageControlResize();

    // Tree view helpers.
    TTreeNode* SelectedNode() const;
    void SelectNode(TTreeNode* node);
    bool IsExpanded(const TTreeNode* node) const;
    void SetExpanded(TTreeNode* node, bool expanded);
    void ExpandAll();
    void CollapseAll();
    void ResetTreeAppearance();

    // Set while a branch is deleted together with its database records.
    bool DeleteWithRecords = false;
    // The first record that could not be removed during such a deletion (empty when none).
    std::string DeletionError;

    // Server commands.
    void DownloadAllDatas();
    void RefreshTaxonomyTree();
    void DownloadImage();
    void ShowImage();
    void DownloadAllImagesCommand();
    void DownloadAllImages();
    bool OfferMerge(int level);
    void MergeUserDatabases();
    void CheckAnnouncement();
    void SubmitUserDatabasesCommand();
    void SubmitUserDatabases();
    void PostFiles(TStringList& upload, const std::string& name, const std::string& email);
    void StatisticCommand();
    void HelpContents();
    void HelpWhatsNew();
    void HelpSurvey();
    void HelpSubmitSuggestion();
    bool TransferRunning() const;
    void SetCommandAllowed(const char* name, bool allowed);
    TNMHTTP& Http() { return Http_; }
    TPageTransfer& Pages() { return Pages_; }

    // The genus picture on the Image page.
    bool ShowGenusImage();
    void ClearGenusImage();

    // The summary and its related links.
    TSummaryDocument* Summary() const { return Summary_.get(); }
    TRelatedLinksPanel* RelatedLinks() const { return LinksPanel_; }
    bool SelectBranch(int level, const std::string& id);
    void RefreshItemCommand();
    // Plain text of the summary view (what the user reads).
    QString SummaryPlainText() const;

    // ISummaryHost
    void AddRelatedLink(const std::string& caption, int kind, const TTaxonomyData& key,
                        const std::string& url) override;
    void ClearRelatedLinks() override;
    std::optional<std::string> FindNodeCaption(const TTaxonomyData& key) override;
    void LoadSummaryDocument(const std::string& rtf) override;
    void RefreshItem() override { RefreshItemCommand(); }
    void PresentRecord() override;
    void PresentNoRecord() override;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void CreateLayout();
    void CreateActions();
    void CreateMenus();
    void ConnectActions();
    void FormCreate();
    void FormActivate();
    void FormDestroy();
    void HandOverFromSplash();
    void CloseSplash();
    void TaxonomyTreeViewChange(TTreeNode* node);
    void TaxonomyTreeViewDeletion(TTreeNode* node);
    void CopySummary();
    void CopyTree();
    void Connect(const char* action, void (TFormMain::*method)());

    // Fetches the item's level database from the server before Refresh Item reads it again.
    void FetchItemDatabase(const TTaxonomyData& item, int level);
    void SetCaptionFromSelection();

    class TServerCommand {
    public:
        explicit TServerCommand(TFormMain& window);
        ~TServerCommand();
        TServerCommand(const TServerCommand&) = delete;
        TServerCommand& operator=(const TServerCommand&) = delete;

    private:
        TFormMain& Window;
    };
    void SetUpServerExchange();
    void UpdateActionStates();
    // Whether the window's state allows a command (editor states and the like); a transfer under
    // way disables the data-changing ones on top of that.
    QHash<QString, bool> CommandAllowed_;
    bool NestedAbort_ = false; // a command run from a selection change ended in the silent abort

    TNMHTTP Http_;
    TPageTransfer Pages_{Http_};
    int ServerCommandDepth_ = 0;
    bool CloseAfterTransfer_ = false;
    TTaxonomyTree Tree_;
    std::unique_ptr<TSummaryDocument> Summary_;
    TRelatedLinksPanel* LinksPanel_ = nullptr;
    TTaxonomyTreeModel* TreeModel_ = nullptr;
    QPointer<TFormSplash> Splash_;
    QHash<QString, QAction*> Actions_;
    bool ShutDownDone_ = false;
    bool ProgramFilesLoaded_ = false;
    bool OptionsRead_ = false;
    int TaxonomySize_ = 225;
    bool WasShown_ = false;
    bool Closing_ = false;

public:
    // Controls, named as the window's design names them.
    QSplitter* MainSplitter = nullptr;
    QTabWidget* MainPageControl_ = nullptr;
    QTreeView* TaxonomyTreeView_ = nullptr;
    QLineEdit* SearchTextEdit = nullptr;
    QGroupBox* SearchMethodRadioGroup = nullptr;
    QRadioButton* SearchMatchAllRadio = nullptr;
    QRadioButton* SearchMatchSomeRadio = nullptr;
    QGroupBox* SearchInGroupBox = nullptr;
    QCheckBox* SearchKeywordChkBox = nullptr;
    QCheckBox* SearchTypeChkBox = nullptr;
    QCheckBox* SearchCommonNameChkBox = nullptr;
    QCheckBox* SearchDescriptionChkBox = nullptr;
    QCheckBox* SearchNameChkBox = nullptr;
    QPushButton* SearchBtn = nullptr;
    QPushButton* ShowAllGenusBtn = nullptr;
    QLabel* SearchTextLabel = nullptr;
    QLabel* SearchFoundTotalLabel = nullptr;
    QListWidget* ResultListView = nullptr;
    QWidget* RightPanel = nullptr;
    QTabWidget* InfoPageControl = nullptr;
    QTextBrowser* DetailMemo_ = nullptr;
    QWidget* ImageTabSheet = nullptr;
    QPushButton* ShowImageBtn = nullptr;
    QLabel* GenusImageLabel = nullptr;
    QWidget* EditorTabSheet = nullptr;
};
