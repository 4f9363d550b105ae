// The program's life around the main window: what start-up loads and asks, and what shut-down
// writes. Not a widget: it reaches the window through ISessionHost.
#pragma once

class TTaxonomyTree;
class TTreeNode;

class ISessionHost {
public:
    virtual ~ISessionHost() = default;
    // Templates, codes and paths are loaded: the summary can be made.
    virtual void ProgramFilesLoaded() = 0;
    // The options are read: the tree page gets its width, the option marks their state.
    virtual void OptionsLoaded(int taxonomyWidth) = 0;
    virtual void RefreshTaxonomyTree() = 0;
    // Sets the display mode, builds the tree from the tree file and opens its branches as the
    // saved tree state says.
    virtual void BuildTree(int mode) = 0;
    virtual TTaxonomyTree& Tree() = 0;
    virtual bool IsExpanded(const TTreeNode* node) const = 0;
    // The width of the tree page to keep for the next start.
    virtual int TaxonomyWidth() const = 0;
};

class TSession {
public:
    explicit TSession(ISessionHost& host) : FHost(host) {}

    // Loads the program files and options, asks the upgrade or reminder question, builds the tree.
    void Start();
    // True while Start runs: status texts then go to the splash window.
    bool StartingUp() const { return FStartingUp; }
    // Opening a program file failed during start-up: the program closes when first shown.
    bool DataFileFailed() const { return FDataFileFailed; }
    // Writes the tree, its appearance, the options and the modified-files list, each on its own;
    // only what start-up has read is written back. Runs once.
    void ShutDown();
    // ShutDown wrote the tree file, or the tree had no change to write.
    bool TreeSaved() const { return FTreeSaved; }
    // The width read from the options (the window keeps it until it is first shown).
    int StoredTaxonomyWidth() const { return FTaxonomyWidth; }

private:
    void AskForUpdate();

    ISessionHost& FHost;
    bool FProgramFilesLoaded = false;
    bool FOptionsRead = false;
    bool FShutDownDone = false;
    bool FTreeSaved = false;
    bool FStartingUp = false;
    bool FDataFileFailed = false;
    int FTaxonomyWidth = 225;
};
