#pragma once
// The Add Tree Item dialog: the new branch's level, name and info under a given parent, with
// the id that the name gives. Created once and reused; its boxes keep what Execute does not set.

#include "TaxonomyData.h"

#include <QDialog>
#include <memory>

namespace Ui {
class FormAddBranch;
}

inline constexpr int AddBranchHelpContext = 1301;
// The name proposed for a branch that has none yet; it gives the id "(n/a)".
inline constexpr const char* NoNamedText = "[no named]";

class TFormAddBranch : public QDialog {
    Q_OBJECT
public:
    explicit TFormAddBranch(QWidget* parent = nullptr);
    ~TFormAddBranch() override;

    // Opens the dialog (through the dialog seam) for a branch under `parent`, proposing the name
    // and info of `data`. However it closes, the level (as a marker of TABs), id, name and info
    // are written back into `data`. Returns QDialog::Accepted from Add, Rejected otherwise.
    int Execute(const TTaxonomyData& parent, TTaxonomyData& data);

    // The level the Level box names: its first character as a digit, 0 when there is none.
    int LevelFromText() const;
    // The levels the tree can hold under a parent of `parentLevel`: deeper than it, at most Genus.
    static bool LevelFits(int level, int parentLevel);
    // The Level entries offered under a parent of `parentLevel`.
    static QStringList LevelEntries(int parentLevel);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void NameEditChange();
    void HelpBtnClick();

    std::unique_ptr<Ui::FormAddBranch> FUi;
};
