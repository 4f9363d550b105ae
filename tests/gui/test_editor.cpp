// The branch detail editor as the user drives it: its two states, the box rules, Save into both
// databases and the tree, Cancel, the tab steps and the species list.
#include "FormMainTestAccess.h"
#include "Form_Main.h"
#include "Global.h"
#include "GuiFixture.h"
#include "QtText.h"
#include "ScriptedDialogs.h"
#include "TaxonomyTree.h"

#include <QAction>
#include <QComboBox>
#include <QDirIterator>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QtTest>
#include <map>

namespace {

const std::string AurexLine =
    "g1#Aurex#gold#A genus|second line#Hopper#Aurex korvel#-#(n/a)#-#(n/a)#-#kw\r\n";
const std::string AurexSpecies = "\t#minor#small#tiny|very\r\n\t#major#big#large\r\n";
const std::string AvisLine = "avis#Avis#bird#B#Flyer#Avis korvel#avis.jpg#Holder#-#Owner#-#\r\n";

void WriteData(TGuiFixture& fx) {
    fx.WriteProgramFiles();
    fx.WriteCurrentOptions(Today());
    fx.Write("classifytree.dat", "#c1#Korvelia#the korvels\r\n"
                                 "\t\t#o1#Ordina#walkers\r\n"
                                 "\t\t\t\t\t#g1#Aurex#first\r\n"
                                 "\t\t\t\t\t#avis#Avis#second\r\n"
                                 "\t\t\t\t\t#(n/a)#Planned#not yet\r\n");
    fx.Write("class.dat", "c1#Korvelia#the korvels#First class\r\n");
    fx.Write("order.dat", "o1#Ordina#walkers#An order\r\n");
    fx.Write("genus.dat", AurexLine + AurexSpecies + AvisLine);
}

template <class T> T* Box(TFormMain& w, const char* name) {
    return Find<T>(w, name);
}
QLineEdit* Edit(TFormMain& w, const char* name) {
    return Find<QLineEdit>(w, name);
}
QTabWidget* Tabs(TFormMain& w) {
    return Find<QTabWidget>(w, "EditorPageControl");
}
QListView* Species(TFormMain& w) {
    return Find<QListView>(w, "SpeciesListView");
}
void Trigger(TFormMain& w, TAction id) {
    w.Action(id)->trigger();
}

QStringList VisibleTabs(TFormMain& w) {
    QStringList titles;
    for (int i = 0; i < Tabs(w)->count(); ++i)
        if (Tabs(w)->isTabVisible(i))
            titles << Tabs(w)->tabText(i);
    return titles;
}

QStringList SpeciesTexts(TFormMain& w) {
    QStringList texts;
    for (int i = 0; i < Species(w)->model()->rowCount(); ++i)
        texts << Species(w)->model()->index(i, 0).data().toString();
    return texts;
}

void SelectSpecies(TFormMain& w, int row) {
    Species(w)->setCurrentIndex(Species(w)->model()->index(row, 0));
}

void TypeInto(QLineEdit* edit, const QString& text) {
    edit->clear();
    QTest::keyClicks(edit, text);
}

TTreeNode* Planned(TFormMain& w) {
    return FindTreeNode(w.Tree(), MakeNodeKey(5, "(n/a)", "Planned", ""));
}

} // namespace

class TestEditor : public QObject {
    Q_OBJECT
private slots:
    void StatesTabsAndActions();
    void PageLayoutAndBoxRules();
    void SaveGenusUnderNewIdIntoBothDatabases();
    void SaveBranchAndTreeAtShutDown();
    void SaveRefusesEmptyNameAndAsksBeforeTakingAnId();
    void EnableDetailEditOnPlannedGenus();
    void SpeciesAddRemoveAndWriteBack();
    void CancelAsksAboutAssignedPicture();
    void NothingTypedIsLostAndNothingUnchangedIsWritten();
};

void TestEditor::StatesTabsAndActions() {
    TGuiFixture fx;
    WriteData(fx);
    TScriptedDialogs dialogs;
    TFormMain w;
    const TAction editOnly[] = {TAction::EditorSave, TAction::EditorCancel, TAction::EditorPrevTab,
                                TAction::EditorNextTab};
    const TAction genusOnly[] = {TAction::EditorNewSpecies, TAction::EditorRemoveSpecies};
    struct TCase {
        const char* Branch;
        QStringList Tabs;
        bool Edit, Genus;
    };
    const TCase cases[] = {
        {"c1", {"General"}, true, false},
        {"g1", {"General", "Genus Level", "Species Level"}, true, true},
        {"planned", {"No Data Available"}, false, false},
    };
    for (const TCase& c : cases) {
        if (QString(c.Branch) == "planned")
            w.SelectNode(Planned(w));
        else
            QVERIFY(TFormMainTestAccess::SelectBranch(w, QString(c.Branch) == "c1" ? 0 : 5, c.Branch));
        QCOMPARE(VisibleTabs(w), c.Tabs);
        QVERIFY(Tabs(w)->isTabVisible(Tabs(w)->currentIndex()));
        QCOMPARE(w.Action(TAction::EditorAddData)->isEnabled(), !c.Edit);
        for (TAction id : editOnly)
            QCOMPARE(w.Action(id)->isEnabled(), c.Edit);
        for (TAction id : genusOnly)
            QCOMPARE(w.Action(id)->isEnabled(), c.Genus);
        // Never disabled by the editor's state.
        QVERIFY(w.Action(TAction::EditorNewSpeciesBitBtn)->isEnabled());
        QVERIFY(w.Action(TAction::EditorRemoveSpeciesBitBtn)->isEnabled());
    }

    // Tab steps go over the visible pages only and wrap around at both ends.
    QVERIFY(TFormMainTestAccess::SelectBranch(w, 5, "g1"));
    Tabs(w)->setCurrentIndex(1);
    const std::pair<TAction, QString> steps[] = {{TAction::EditorPrevTab, "Species Level"},
                                                 {TAction::EditorNextTab, "General"},
                                                 {TAction::EditorNextTab, "Genus Level"},
                                                 {TAction::EditorNextTab, "Species Level"}};
    for (const auto& [action, title] : steps) {
        Trigger(w, action);
        QCOMPARE(Tabs(w)->tabText(Tabs(w)->currentIndex()), title);
    }
    // Another genus keeps the page; a branch without it falls back to General.
    QVERIFY(TFormMainTestAccess::SelectBranch(w, 5, "avis"));
    QCOMPARE(Tabs(w)->tabText(Tabs(w)->currentIndex()), QString("Species Level"));
    QVERIFY(TFormMainTestAccess::SelectBranch(w, 0, "c1"));
    QCOMPARE(Tabs(w)->tabText(Tabs(w)->currentIndex()), QString("General"));
    Trigger(w, TAction::EditorNextTab);
    QCOMPARE(Tabs(w)->tabText(Tabs(w)->currentIndex()), QString("General"));
    CHECK_DIALOGS(dialogs);
}

void TestEditor::PageLayoutAndBoxRules() {
    TGuiFixture fx;
    WriteData(fx);
    TScriptedDialogs dialogs;
    TFormMain w;
    QVERIFY(TFormMainTestAccess::SelectBranch(w, 5, "g1"));
    // The boxes show the record; the id is the name in lower case, not the stored id.
    const std::pair<const char*, QString> shown[] = {{"IdEdit", "aurex"},
                                                     {"NameEdit", "Aurex"},
                                                     {"InfoEdit", "first"},
                                                     {"MeaningEdit", "gold"},
                                                     {"CommonNameEdit", "Aurex korvel"},
                                                     {"ImgCopyrightEdit", "(n/a)"},
                                                     {"ImgCopyrightURLEdit", "-"},
                                                     {"ImgOwnerEdit", "(n/a)"},
                                                     {"ImgOwnerURLEdit", "-"},
                                                     {"SpeciesNameEdit", "minor"},
                                                     {"SpeciesMeaningEdit", "small"}};
    for (const auto& [name, text] : shown)
        QCOMPARE(Edit(w, name)->text(), text);
    QCOMPARE(Box<QPlainTextEdit>(w, "DescriptionMemo")->toPlainText(), QString("A genus\nsecond line"));
    QCOMPARE(Box<QPlainTextEdit>(w, "SpeciesDescriptionMemo")->toPlainText(), QString("tiny\nvery"));
    auto* type = Box<QComboBox>(w, "KorvelTypeComboBox");
    QCOMPARE(type->currentText(), QString("Hopper"));
    QVERIFY(type->isEditable());
    QCOMPARE(type->count(), 0);
    QCOMPARE(SpeciesTexts(w), QStringList({"A. minor (small)", "A. major (big)"}));

    // The id box: read-only, skipped by Tab. The owner's URL box carries the copyright URL label.
    QVERIFY(Edit(w, "IdEdit")->isReadOnly());
    QVERIFY(!(Edit(w, "IdEdit")->focusPolicy() & Qt::TabFocus));
    QCOMPARE(Box<QLabel>(w, "ImgOwnerURLLabel")->text(), QString("Copyright URL :"));
    QCOMPARE(Edit(w, "NameEdit")->statusTip(), QString("Scientific name of this branch"));
    QCOMPARE(Find<QWidget>(w, "EditorToolBar")->actions().size(), 8);

    // Typing: the id follows the name, the species rows follow the initial, every box reaches
    // EditRecord; "#" never gets into a box.
    TypeInto(Edit(w, "NameEdit"), "Zurex Major");
    QCOMPARE(Edit(w, "IdEdit")->text(), QString("zurex major"));
    QCOMPARE(TFormMainTestAccess::EditRecord(w).Id, std::string("zurex major"));
    QCOMPARE(SpeciesTexts(w).front(), QString("Z. minor (small)"));
    TypeInto(Edit(w, "MeaningEdit"), "shi#ny");
    QCOMPARE(TFormMainTestAccess::EditRecord(w).Meaning, std::string("shiny"));
    QTest::keyClicks(type->lineEdit(), "s");
    QCOMPARE(TFormMainTestAccess::EditRecord(w).Genus.KorvelType, std::string("Hoppers"));
    auto* memo = Box<QPlainTextEdit>(w, "DescriptionMemo");
    memo->clear();
    QTest::keyClicks(memo, "one#");
    QTest::keyClick(memo, Qt::Key_Return);
    QTest::keyClicks(memo, "two");
    QCOMPARE(TFormMainTestAccess::EditRecord(w).Description, std::string("one\ntwo"));
    // Changing the name touches neither the tree nor the caption before Save.
    QCOMPARE(w.SelectedNode()->Name(), std::string("Aurex"));
    QVERIFY(w.windowTitle().startsWith("Aurex"));
    CHECK_DIALOGS(dialogs);
}

void TestEditor::SaveGenusUnderNewIdIntoBothDatabases() {
    TGuiFixture fx;
    WriteData(fx);
    fx.Write("usr_genus.dat", "g1#Aurex#old user copy#########\r\n\t#old#x#y\r\n");
    TScriptedDialogs dialogs;
    TFormMain w;
    QVERIFY(TFormMainTestAccess::SelectBranch(w, 5, "g1"));
    TypeInto(Edit(w, "NameEdit"), "Aurex Major");
    QCOMPARE(Edit(w, "IdEdit")->text(), QString("aurex major"));
    // The selected species' boxes are part of what Save stores.
    TypeInto(Edit(w, "SpeciesNameEdit"), "minima");
    Trigger(w, TAction::EditorSave);

    const std::string saved =
        "aurex major#Aurex Major#gold#A genus|second line#Hopper#Aurex korvel#-#(n/a)#-#(n/a)#-#kw"
        "\r\n\t#minima#small#tiny|very\r\n\t#major#big#large\r\n";
    QCOMPARE(fx.Read("usr_genus.dat"), saved);
    QCOMPARE(fx.Read("genus.dat"), AvisLine + saved);
    QVERIFY(ModifiedFiles.Contains(AppFile("usr_genus.dat")));
    TTreeNode* node = w.SelectedNode();
    QCOMPARE(node->Id(), std::string("aurex major"));
    QCOMPARE(w.Tree().Caption(node), std::string("Aurex Major (first)"));
    // The window shows what was saved at once: the summary and the title.
    QVERIFY(w.windowTitle().startsWith("Aurex Major (first) - "));
    QVERIFY(TFormMainTestAccess::SummaryPlainText(w).contains("Aurex Major"));
    QVERIFY(TFormMainTestAccess::SummaryPlainText(w).contains("minima"));
    QVERIFY(TreeModified);
    QCOMPARE(TFormMainTestAccess::CurrentRecord(w).Id, std::string("aurex major"));
    QCOMPARE(Edit(w, "SpeciesNameEdit")->text(), QString("minima")); // still in edit state, boxes kept

    QCOMPARE(SpeciesTexts(w).front(), QString("A. minima (small)"));
    SelectSpecies(w, 1);
    QCOMPARE(TFormMainTestAccess::CurrentRecord(w).Genus.Species->front(),
             std::string("\t#minima#small#tiny|very"));
    // The saved copy is the shown record's own: later edits stay in the editor until saved.
    SelectSpecies(w, 0);
    TypeInto(Edit(w, "SpeciesNameEdit"), "later");
    SelectSpecies(w, 1);
    QCOMPARE(TFormMainTestAccess::CurrentRecord(w).Genus.Species->front(),
             std::string("\t#minima#small#tiny|very"));
    CHECK_DIALOGS(dialogs);
}

void TestEditor::SaveBranchAndTreeAtShutDown() {
    TGuiFixture fx;
    WriteData(fx);
    {
        TScriptedDialogs dialogs;
        TFormMain w;
        QVERIFY(TFormMainTestAccess::SelectBranch(w, 2, "o1"));
        TypeInto(Edit(w, "InfoEdit"), "new info");
        Trigger(w, TAction::EditorSave);
        // Id, name, meaning and description; the info goes to the tree only.
        QCOMPARE(fx.Read("order.dat"), std::string("ordina#Ordina#walkers#An order\r\n"));
        QCOMPARE(fx.Read("usr_order.dat"), std::string("ordina#Ordina#walkers#An order\r\n"));
        QVERIFY(fx.Read("classifytree.dat").find("#o1#") != std::string::npos);
        CHECK_DIALOGS(dialogs);
        // On the disk all the same: a start after a kill right now reads the saved branch.
        TTaxonomyTree next;
        QCOMPARE(LoadTree(next), 0);
        const TTreeNode* saved = FindTreeNode(next, MakeNodeKey(2, "ordina", "", ""));
        QVERIFY(saved && saved->Info() == "new info");
    }
    QVERIFY(fx.Read("classifytree.dat").find("\t\t#ordina#Ordina#new info\r\n") != std::string::npos);
}

void TestEditor::SaveRefusesEmptyNameAndAsksBeforeTakingAnId() {
    TGuiFixture fx;
    WriteData(fx);
    const std::string genus = fx.Read("genus.dat");
    TScriptedDialogs dialogs;
    TFormMain w;
    QVERIFY(TFormMainTestAccess::SelectBranch(w, 5, "g1"));
    TypeInto(Edit(w, "MeaningEdit"), "kept");
    Edit(w, "NameEdit")->clear();
    QCOMPARE(TFormMainTestAccess::EditRecord(w).Id, std::string());
    dialogs.ExpectMessage("A branch without a name cannot be saved. Please enter its name first.", 48, 1);
    Trigger(w, TAction::EditorSave);
    CHECK_DIALOGS(dialogs);
    QCOMPARE(fx.Read("genus.dat"), genus);
    QVERIFY(!fx.Exists("usr_genus.dat"));
    QCOMPARE(Edit(w, "MeaningEdit")->text(), QString("kept"));

    // Renaming onto the id of another stored genus asks first; Cancel writes nothing.
    TypeInto(Edit(w, "NameEdit"), "Avis");
    const QString taken =
        "Another Genus is stored under the id \"avis\". Saving replaces that record with this one. "
        "Do you want to continue?";
    dialogs.ExpectMessage(taken, 49, 2);
    Trigger(w, TAction::EditorSave);
    QCOMPARE(fx.Read("genus.dat"), genus);
    dialogs.ExpectMessage(taken, 49, 1);
    Trigger(w, TAction::EditorSave);
    CHECK_DIALOGS(dialogs);
    QVERIFY(fx.Read("genus.dat").starts_with("avis#Avis#kept#"));
}

void TestEditor::EnableDetailEditOnPlannedGenus() {
    TGuiFixture fx;
    WriteData(fx);
    const std::string genus = fx.Read("genus.dat");
    TScriptedDialogs dialogs;
    TFormMain w;
    w.SelectNode(Planned(w));
    Trigger(w, TAction::EditorAddData);
    QCOMPARE(VisibleTabs(w), QStringList({"General", "Genus Level", "Species Level"}));
    QVERIFY(!w.Action(TAction::EditorAddData)->isEnabled());
    QCOMPARE(TFormMainTestAccess::CurrentRecord(w).Genus.ImageFile, std::string("-"));
    QCOMPARE(Edit(w, "ImgCopyrightEdit")->text(), QString("(n/a)"));
    QCOMPARE(Edit(w, "ImgOwnerEdit")->text(), QString("(n/a)"));
    QCOMPARE(Edit(w, "IdEdit")->text(), QString("planned"));
    QCOMPARE(Species(w)->model()->rowCount(), 0);
    QVERIFY(!Edit(w, "SpeciesNameEdit")->isEnabled()); // no species: nothing to type into
    QCOMPARE(fx.Read("genus.dat"), genus);             // nothing is written before Save
    QVERIFY(!fx.Exists("usr_genus.dat"));

    Trigger(w, TAction::EditorSave);
    QCOMPARE(fx.Read("usr_genus.dat"), std::string("planned#Planned#####-#(n/a)##(n/a)##\r\n"));
    QCOMPARE(w.SelectedNode()->Id(), std::string("planned"));
    CHECK_DIALOGS(dialogs);
}

void TestEditor::SpeciesAddRemoveAndWriteBack() {
    TGuiFixture fx;
    WriteData(fx);
    TScriptedDialogs dialogs;
    TFormMain w;
    QVERIFY(TFormMainTestAccess::SelectBranch(w, 5, "avis"));
    QCOMPARE(Species(w)->model()->rowCount(), 0);
    Trigger(w, TAction::EditorRemoveSpecies); // nothing selected: no question
    Trigger(w, TAction::EditorNewSpecies);
    Trigger(w, TAction::EditorNewSpeciesBitBtn);
    QCOMPARE(*TFormMainTestAccess::EditRecord(w).Genus.Species, TStringList({"\t###", "\t###"}));
    QCOMPARE(SpeciesTexts(w), QStringList({"A.  ()", "A.  ()"}));
    QCOMPARE(Species(w)->currentIndex().row(), 1);

    // Three species; the first is edited, then removed: its values go nowhere, and the boxes
    // show the species that moved up.
    SelectSpecies(w, 0);
    TypeInto(Edit(w, "SpeciesNameEdit"), "first");
    SelectSpecies(w, 1);
    TypeInto(Edit(w, "SpeciesNameEdit"), "second");
    Trigger(w, TAction::EditorNewSpecies);
    TypeInto(Edit(w, "SpeciesNameEdit"), "third");
    TypeInto(Edit(w, "SpeciesMeaningEdit"), "3");
    SelectSpecies(w, 0);
    TypeInto(Edit(w, "SpeciesNameEdit"), "unsaved");
    dialogs.ExpectMessage("Are you sure to remove species name \"A. first ()\"?", 33, 2);
    Trigger(w, TAction::EditorRemoveSpeciesBitBtn);
    QCOMPARE(TFormMainTestAccess::EditRecord(w).Genus.Species->size(), size_t(3));
    dialogs.ExpectMessage("Are you sure to remove species name \"A. first ()\"?", 33, 1);
    Trigger(w, TAction::EditorRemoveSpecies);
    CHECK_DIALOGS(dialogs);
    QCOMPARE(*TFormMainTestAccess::EditRecord(w).Genus.Species, TStringList({"\t#second##", "\t#third#3#"}));
    QCOMPARE(Species(w)->currentIndex().row(), 0);
    QCOMPARE(Edit(w, "SpeciesNameEdit")->text(), QString("second"));
    SelectSpecies(w, 1);
    QCOMPARE(*TFormMainTestAccess::EditRecord(w).Genus.Species, TStringList({"\t#second##", "\t#third#3#"}));
    QCOMPARE(Edit(w, "SpeciesMeaningEdit")->text(), QString("3"));

    // Another branch asks first; Discard drops the edit, and coming back shows the stored species.
    dialogs.ExpectMessage("Save the changes to \"Avis\"?", Mb::SaveDiscardCancel | Mb::IconQuestion,
                          Mb::IdNo);
    QVERIFY(TFormMainTestAccess::SelectBranch(w, 5, "g1"));
    QVERIFY(TFormMainTestAccess::SelectBranch(w, 5, "avis"));
    QCOMPARE(Species(w)->model()->rowCount(), 0);
}

void TestEditor::CancelAsksAboutAssignedPicture() {
    TGuiFixture fx;
    WriteData(fx);
    fx.Write("images/aurex.jpg", "picture");
    TScriptedDialogs dialogs;
    TFormMain w;
    const QString question = "Do you want to delete image file you assigned to this genus?";
    struct TCase {
        const char* Genus;
        std::string Assigned;
        int Answer; // 0: no question
        bool FileLeft;
    };
    // Assigned to a genus that had none: asked, deleted on OK, kept on Cancel. A genus that had
    // a picture is not asked about.
    const TCase cases[] = {
        {"g1", "aurex.jpg", 2, true}, {"g1", "aurex.jpg", 1, false}, {"avis", "aurex.jpg", 0, true}};
    for (const TCase& c : cases) {
        fx.Write("images/aurex.jpg", "picture");
        QVERIFY(TFormMainTestAccess::SelectBranch(w, 5, c.Genus));
        TypeInto(Edit(w, "NameEdit"), "Changed");
        TFormMainTestAccess::EditRecord(w).Genus.ImageFile = c.Assigned; // as Choose Image leaves it
        dialogs.ExpectMessage(
            "Discard the changes to \"" + ToQ(TFormMainTestAccess::CurrentRecord(w).Name) + "\"?", 33, 1);
        if (c.Answer)
            dialogs.ExpectMessage(question, 33, c.Answer);
        Trigger(w, TAction::EditorCancel);
        CHECK_DIALOGS(dialogs);
        QCOMPARE(fx.Exists("images/aurex.jpg"), c.FileLeft);
        QCOMPARE(TFormMainTestAccess::EditRecord(w).Genus.ImageFile,
                 TFormMainTestAccess::CurrentRecord(w).Genus.ImageFile);
        QCOMPARE(Edit(w, "NameEdit")->text(), ToQ(TFormMainTestAccess::CurrentRecord(w).Name));
    }
    // A picture already gone could not be deleted either: the user is told.
    QVERIFY(TFormMainTestAccess::SelectBranch(w, 5, "g1"));
    fx.Remove("images/aurex.jpg");
    TFormMainTestAccess::EditRecord(w).Genus.ImageFile = "aurex.jpg";
    dialogs.ExpectMessage("Discard the changes", 33, 1);
    dialogs.ExpectMessage(question, 33, 1);
    dialogs.ExpectMessage("File \"" + ToQ(AppFile("images/aurex.jpg")) +
                              "\" could not be deleted. You may need to delete it manually.",
                          48, 1);
    Trigger(w, TAction::EditorCancel);
    CHECK_DIALOGS(dialogs);
    // A name that is no plain file name is never deleted; the user is told.
    QVERIFY(TFormMainTestAccess::SelectBranch(w, 5, "g1"));
    TFormMainTestAccess::EditRecord(w).Genus.ImageFile = "../classifytree.dat";
    dialogs.ExpectMessage("Discard the changes", 33, 1);
    dialogs.ExpectMessage(question, 33, 1);
    dialogs.ExpectMessage("File \"" + ToQ(AppFile("images/../classifytree.dat")) +
                              "\" could not be deleted. You may need to delete it manually.",
                          48, 1);
    Trigger(w, TAction::EditorCancel);
    CHECK_DIALOGS(dialogs);
    QVERIFY(fx.Exists("classifytree.dat"));
}

namespace {
// Every file of the folder with its bytes.
std::map<QString, std::string> Snapshot(TGuiFixture& fx) {
    std::map<QString, std::string> files;
    QDirIterator it(fx.Folder(), QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString name = it.next().mid(fx.Folder().size());
        files[name] = fx.Read(name);
    }
    return files;
}
} // namespace

void TestEditor::NothingTypedIsLostAndNothingUnchangedIsWritten() {
    TGuiFixture fx;
    fx.WriteProgramFiles();
    fx.WriteCurrentOptions(Today());
    fx.Write("classifytree.dat",
             "#c1#Korvelia#the korvels\r\n\t\t\t\t\t#aurex#Aurex#first\r\n\t\t\t\t\t#nomen#Nomen#\r\n");
    fx.Write("class.dat", "c1#Korvelia#the korvels#First class\r\n");
    const std::string aurex =
        "aurex#Aurex#gold#A genus|second line#Hopper#Aurex korvel#-#(n/a)#-#(n/a)#-#kw\r\n";
    fx.Write("genus.dat", aurex + AurexSpecies);
    TScriptedDialogs dialogs;
    TFormMain w;

    // Browsing, then Save (also with a species selected, and after Cancel): nothing is written,
    // nothing waits for submission.
    const auto before = Snapshot(fx);
    QVERIFY(TFormMainTestAccess::SelectBranch(w, 5, "aurex"));
    QCOMPARE(Species(w)->currentIndex().row(), 0);
    Trigger(w, TAction::EditorSave);
    Trigger(w, TAction::EditorCancel);
    Trigger(w, TAction::EditorSave);
    QVERIFY(Snapshot(fx) == before);
    QVERIFY(ModifiedFiles.Items().empty());
    QVERIFY(!TreeModified);

    // A new species typed into its boxes and saved at once reaches both databases.
    Trigger(w, TAction::EditorNewSpecies);
    TypeInto(Edit(w, "SpeciesNameEdit"), "nova");
    TypeInto(Edit(w, "SpeciesMeaningEdit"), "new");
    Trigger(w, TAction::EditorSave);
    const std::string saved = aurex + AurexSpecies + "\t#nova#new#\r\n";
    QCOMPARE(fx.Read("genus.dat"), saved);
    QCOMPARE(fx.Read("usr_genus.dat"), saved);
    QCOMPARE(SpeciesTexts(w).back(), QString("A. nova (new)"));

    // Ctrl+Z never reaches back over a save, a cancel or a load.
    QLineEdit* meaning = Edit(w, "MeaningEdit");
    TypeInto(meaning, "shiny");
    Trigger(w, TAction::EditorSave);
    QVERIFY(!meaning->isUndoAvailable());
    QTest::keyClick(meaning, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(meaning->text(), QString("shiny"));
    TypeInto(meaning, "dull");
    auto* memo = Box<QPlainTextEdit>(w, "DescriptionMemo");
    QTest::keyClicks(memo, "more");
    dialogs.ExpectMessage("Discard the changes to \"Aurex\"?", 33, 1);
    Trigger(w, TAction::EditorCancel);
    QCOMPARE(meaning->text(), QString("shiny"));
    QVERIFY(!meaning->isUndoAvailable());
    QVERIFY(!memo->document()->isUndoAvailable());
    TypeInto(Edit(w, "NameEdit"), "Aurex");
    QVERIFY(TFormMainTestAccess::SelectBranch(w, 0, "c1"));
    QVERIFY(!Edit(w, "NameEdit")->isUndoAvailable());
    QCOMPARE(Edit(w, "NameEdit")->text(), QString("Korvelia"));

    // A branch given its record by Enable Detail Edit is stored by the first Save, even unchanged.
    // (The selection's Refresh Item waits for the selection to rest; Enable Detail Edit ends it.)
    Options.OfflineMode = true;
    QVERIFY(TFormMainTestAccess::SelectBranch(w, 5, "nomen"));
    Trigger(w, TAction::EditorAddData);
    QTest::qWait(500);
    Trigger(w, TAction::EditorSave);
    std::string stored = saved;
    stored.replace(stored.find("#gold#"), 6, "#shiny#");
    stored += "nomen#Nomen#####-#(n/a)##(n/a)##\r\n";
    QCOMPARE(fx.Read("usr_genus.dat"), stored);
    Trigger(w, TAction::EditorSave);
    QCOMPARE(fx.Read("usr_genus.dat"), stored);
    CHECK_DIALOGS(dialogs);

    // Each field the rule compares, edited alone, is a change: Save writes the record, lists it for
    // submission and updates the tree item.
    const struct {
        const char* Box;
        const char* Typed;
        std::string Stored; // in the saved record; empty for a field of the tree only
    } fields[] = {
        {"MeaningEdit", "bright", "#bright#"},
        {"InfoEdit", "third", ""},
        {"DescriptionMemo", "more", "second linemore#"},
        {"KorvelTypeComboBox", "Walker", "#Walker#"},
        {"CommonNameEdit", "Gold korvel", "#Gold korvel#"},
        {"ImgCopyrightEdit", "Ann", "#Ann#"},
        {"ImgCopyrightURLEdit", "http://a", "#http://a#"},
        {"ImgOwnerEdit", "Bo", "#Bo#"},
        {"ImgOwnerURLEdit", "http://b", "#http://b#"},
        {"SpeciesMeaningEdit", "wee", "\t#minor#wee#"},
        {"NameEdit", "Aurexa", "aurexa#Aurexa#"}, // the id follows
    };
    QVERIFY(TFormMainTestAccess::SelectBranch(w, 5, "aurex"));
    for (const auto& f : fields) {
        auto* box = Find<QWidget>(w, f.Box);
        for (int i = 0; i < Tabs(w)->count(); ++i)
            if (Tabs(w)->widget(i)->isAncestorOf(box))
                Tabs(w)->setCurrentIndex(i);
        ModifiedFiles.Clear();
        TreeModified = false;
        if (auto* memo = qobject_cast<QPlainTextEdit*>(box)) {
            memo->moveCursor(QTextCursor::End);
            QTest::keyClicks(memo, f.Typed);
        } else {
            auto* combo = qobject_cast<QComboBox*>(box);
            TypeInto(combo ? combo->lineEdit() : qobject_cast<QLineEdit*>(box), f.Typed);
        }
        Trigger(w, TAction::EditorSave);
        QVERIFY2(fx.Read("usr_genus.dat").find(f.Stored) != std::string::npos, f.Box);
        QVERIFY2(!ModifiedFiles.Empty() && TreeModified, f.Box);
        const TTreeNode* node = w.Tree().First();
        while (node && node->Name().substr(0, 5) != "Aurex")
            node = w.Tree().Next(node);
        QVERIFY(node);
        QCOMPARE(QString::fromUtf8(node->Info().data(), qsizetype(node->Info().size())),
                 Edit(w, "InfoEdit")->text());
        QCOMPARE(QString::fromUtf8(node->Name().data(), qsizetype(node->Name().size())),
                 Edit(w, "NameEdit")->text());
    }
}

QTEST_MAIN(TestEditor)
#include "test_editor.moc"
