// The Search Result list on a generated tree: every list shows the rows, in the order, with the texts
// and keys that a list of copies of each caption and key sorted by folded caption shows; and the rows
// of branches that change while they are listed.
#include "Constants.h"
#include "FormMainTestAccess.h"
#include "Form_Main.h"
#include "GenusSearch.h"
#include "Global.h"
#include "GuiFixture.h"
#include "QtText.h"
#include "ResultListModel.h"
#include "ScriptedDialogs.h"
#include "TaxonomyTree.h"
#include "TreeEdit.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QtTest>
#include <algorithm>
#include <functional>
#include <random>

namespace {

struct TRow {
    QString Caption;
    QStringList Key; // (marker, id, name, info); empty for a forgotten genus
    bool operator==(const TRow&) const = default;
};
using TRows = std::vector<TRow>;

// Syllables with every kind of caption the sort meets: capitals, accented letters in UTF-8, a byte
// that is not UTF-8 (shown as Latin-1), brackets of planned branches, long shared beginnings.
// The plain ASCII ones first.
const char* const Syllables[] = {"al",   "Al",   "AL",        "be",         "Be",
                                 "gal",  "Gal",  "sal",       "[",          "(",
                                 "{",    "<",    " ",         "Galylsal",   "galylsalsaurus",
                                 "x",    "zeta", "\xC3\x84g", "\xC3\xA4gi", "\xC3\xB8r",
                                 "\xE9t"};
constexpr size_t PlainSyllables = 17;
const char* const Words[] = {"red", "wing", "crest", "plain", "Hopper", "Glider"};

// A tree of about 1,500 genera under a few families, and a genus database with records for some
// of them, forgotten names and lines that are no records.
struct TGeneratedSet {
    std::string Tree;
    std::string Genus;
};

TGeneratedSet Generate(unsigned seed, bool plain) {
    std::mt19937 rng(seed);
    const auto pick = [&](size_t n) { return static_cast<size_t>(rng() % n); };
    const auto name = [&] {
        std::string text;
        for (size_t i = 0, n = 1 + pick(4); i < n; ++i)
            text += Syllables[pick(plain ? PlainSyllables : std::size(Syllables))];
        return text;
    };
    const auto info = [&]() -> std::string {
        switch (pick(4)) {
        case 0:
            return "";
        case 1:
            return "Tovren, " + std::to_string(1780 + pick(240));
        case 2:
            return (plain ? "Elan " : "\xC3\x89lan ") + std::string(Words[pick(std::size(Words))]);
        default:
            return name();
        }
    };
    TGeneratedSet set;
    set.Tree = "#c1#Classa#ci\r\n\t\t#o1#" + name() + "#oi\r\n";
    int genus = 0;
    std::string twin;
    for (int family = 0; family < 6; ++family) {
        set.Tree += "\t\t\t\t#f" + std::to_string(family) + "#" + name() + "#" + info() + "\r\n";
        for (int i = 0; i < 250; ++i, ++genus) {
            const std::string id = pick(12) == 0 ? std::string(NotAvailableId) : "g" + std::to_string(genus);
            std::string line = "\t\t\t\t\t#" + id + "#" + name() + "#" + info() + "\r\n";
            // Some genera twice, key and all.
            if (pick(40) == 0)
                twin = line;
            set.Tree += pick(40) == 0 && !twin.empty() ? twin : line;
            const size_t hash = line.find('#', 6);
            const std::string genusName = line.substr(hash + 1, line.find('#', hash + 1) - hash - 1);
            if (pick(2) == 0)
                set.Genus += id + "#" + genusName + "#m#d#" + Words[pick(std::size(Words))] + "#" +
                             Words[pick(std::size(Words))] + "#-#####" + Words[pick(std::size(Words))] +
                             "\r\n";
            if (pick(8) == 0)
                set.Genus += "\t#species#m#d\r\n";
        }
    }
    for (int i = 0; i < 300; ++i) {
        set.Genus += "x" + std::to_string(i) + "#" + name() + "#m#d#t#c#-#####k\r\n";
        if (pick(10) == 0)
            set.Genus += "\r\nno name field\r\n";
    }
    return set;
}

// What the list showed when it held a copy of every caption and key: the entries sorted by their
// case-folded captions, equal ones in the order they came.
TRows CopiedRows(const TTaxonomyTree& tree, const TGenusEntries& entries) {
    TRows rows;
    for (const TGenusEntry& entry : entries) {
        const TTaxonomyData data = entry.Data();
        rows.push_back({ToQ(entry.Caption(tree)), entry.HasNode()
                                                      ? QStringList{ToQ(data.Marker()), ToQ(data.Id()),
                                                                    ToQ(data.Name()), ToQ(data.Info())}
                                                      : QStringList()});
    }
    std::stable_sort(rows.begin(), rows.end(), [](const TRow& a, const TRow& b) {
        return a.Caption.toCaseFolded() < b.Caption.toCaseFolded();
    });
    return rows;
}

TRows ShownRows(TFormMain& w) {
    TRows rows;
    QAbstractItemModel* model = Find<QListView>(w, "ResultListView")->model();
    for (int i = 0; i < model->rowCount(); ++i)
        rows.push_back(
            {model->index(i, 0).data().toString(), model->index(i, 0).data(Qt::UserRole).toStringList()});
    return rows;
}

QStringList Captions(const TRows& rows) {
    QStringList captions;
    for (const TRow& row : rows)
        captions << row.Caption;
    return captions;
}

} // namespace

class TestResultLists : public QObject {
    Q_OBJECT
private slots:
    void init() {
        Fx = std::make_unique<TGuiFixture>();
        Fx->WriteProgramFiles();
        Fx->WriteCurrentOptions(EncodeDate(2026, 12, 1));
        Dialogs = std::make_unique<TScriptedDialogs>();
        // Every level has its database, so no branch shown sends the window on-line.
        Fx->Write("class.dat", "c1#Classa#ci#A class\r\n");
        Fx->Write("order.dat", "o1#Ordo#oi#An order\r\n");
        Fx->Write("family.dat", "f1#Familia#fi#A family\r\n");
        Fx->Write("genus.dat", "g1#Alpha#a#A genus#t#c#-#####k\r\n");
    }
    void cleanup() {
        CHECK_DIALOGS(*Dialogs);
        Dialogs.reset();
        Fx.reset();
    }
    void ListsShowWhatCopiesShowed();
    void BranchesChangedWhileListed();
    void GoneNodesShowNothing();

private:
    std::unique_ptr<TGuiFixture> Fx;
    std::unique_ptr<TScriptedDialogs> Dialogs;
};

void TestResultLists::ListsShowWhatCopiesShowed() {
    // Captions of every kind, and captions of plain ASCII only (which the list keys in fewer bits).
    for (const bool plain : {false, true}) {
        const TGeneratedSet set = Generate(20261208, plain);
        Fx->Write(TreeFileName, set.Tree);
        Fx->Write("genus.dat", set.Genus);
        TFormMain w;
        auto* text = Find<QLineEdit>(w, "SearchTextEdit");
        TSearchOptions search;
        search.Text = "red";
        struct TCase {
            const char* Name;
            std::function<void()> Show;
            std::function<TGenusEntries()> Entries;
        };
        const TCase cases[] = {
            {"all", [&] { w.Action(TAction::ViewAllGenus)->trigger(); }, [&] { return AllGenus(w.Tree()); }},
            {"forgotten", [&] { w.Action(TAction::ViewForgotten)->trigger(); },
             [&] { return ForgottenGenus(w.Tree()); }},
            {"planning", [&] { w.Action(TAction::ViewPlanGenus)->trigger(); },
             [&] { return PlanningBranches(w.Tree()); }},
            {"search",
             [&] {
                 text->setText(QString::fromStdString(search.Text));
                 w.Action(TAction::DBSearch)->trigger();
             },
             [&] { return SearchGenus(w.Tree(), search); }},
        };
        for (const int mode : {3, 1, 2}) {
            w.SetDisplayMode(mode);
            for (const TCase& c : cases) {
                c.Show();
                const TRows expected = CopiedRows(w.Tree(), c.Entries());
                const QString name =
                    QString("%1 in mode %2%3").arg(c.Name).arg(mode).arg(plain ? ", plain" : "");
                QVERIFY2(expected.size() > 20, qPrintable(name));
                QVERIFY2(ShownRows(w) == expected, qPrintable(name));
                QCOMPARE(Find<QLabel>(w, "SearchFoundTotalLabel")->text().split(' ').first().toInt(),
                         int(expected.size()));
            }
        }
    }
}

void TestResultLists::BranchesChangedWhileListed() {
    const std::string tree = "#c1#Korvelia#ci\r\n"
                             "\t\t\t\t#f1#Familia#fi\r\n"
                             "\t\t\t\t\t#g1#Alpha#a\r\n"
                             "\t\t\t\t\t#g2#Twin#t\r\n"
                             "\t\t\t\t\t#g3#Delta#d\r\n"
                             "\t\t\t\t\t#g2#Twin#t\r\n";
    std::string records;
    for (const char* id : {"g1", "g2", "g3", "g7", "g9"})
        records += std::string(id) + "#N#m#d#t#c#-#####k\r\n";
    Fx->Write("genus.dat", records);
    const auto genus = [](TFormMain& w, int k) {
        std::vector<TTreeNode*> genera;
        w.Tree().ForEachNode([&](TTreeNode* n) {
            if (n->Level() == GenusLevel)
                genera.push_back(n);
        });
        return genera[static_cast<size_t>(k)];
    };
    struct TCase {
        const char* Name;
        std::function<void(TFormMain&)> Change;
        QStringList Rows; // after the change
        int Open;         // the row then selected
        const char* Opens;
    };
    const TCase cases[] = {
        // Rows keep their places; the renamed one opens its branch under the new key.
        {"rename",
         [&](TFormMain& w) { UpdateTreeNode(w.Tree(), genus(w, 0), TTaxonomyData("", "g9", "Zulu", "z")); },
         {"Zulu (z)", "Delta (d)", "Twin (t)", "Twin (t)"},
         0,
         "g9"},
        // An entry is its own node's: of two alike, the renamed one's row changes and opens it, the
        // other keeps its node, also through a second rename.
        {"rename one of two alike",
         [&](TFormMain& w) { UpdateTreeNode(w.Tree(), genus(w, 3), TTaxonomyData("", "g7", "Beta", "b")); },
         {"Alpha (a)", "Delta (d)", "Twin (t)", "Beta (b)"},
         3,
         "g7"},
        {"the other of two alike",
         [&](TFormMain& w) {
             UpdateTreeNode(w.Tree(), genus(w, 3), TTaxonomyData("", "g7", "Beta", "b"));
             UpdateTreeNode(w.Tree(), genus(w, 3), TTaxonomyData("", "g9", "Gamma", "c"));
         },
         {"Alpha (a)", "Delta (d)", "Twin (t)", "Gamma (c)"},
         2,
         "g2"},
        // A branch added while listed is not in the list; the others still open.
        {"add",
         [&](TFormMain& w) {
             AddTreeNode(w.Tree(), genus(w, 0)->Parent(), TTaxonomyData("\t\t\t\t\t", "g8", "Aa", ""));
         },
         {"Alpha (a)", "Delta (d)", "Twin (t)", "Twin (t)"},
         1,
         "g3"},
        {"delete", [&](TFormMain& w) { DeleteTreeItem(w.Tree(), genus(w, 2), false); }, {}, -1, ""},
        {"display mode", [&](TFormMain& w) { w.SetDisplayMode(1); }, {}, -1, ""},
    };
    for (const TCase& c : cases) {
        Fx->Write(TreeFileName, tree); // the last case's change may have been saved
        TFormMain w;
        auto* list = Find<QListView>(w, "ResultListView");
        w.Action(TAction::ViewAllGenus)->trigger();
        QCOMPARE(Captions(ShownRows(w)), QStringList({"Alpha (a)", "Delta (d)", "Twin (t)", "Twin (t)"}));
        c.Change(w);
        QVERIFY2(Captions(ShownRows(w)) == c.Rows, c.Name);
        if (c.Open < 0) {
            QVERIFY2(Find<QLabel>(w, "SearchTextLabel")->text().isEmpty(), c.Name);
            continue;
        }
        list->setCurrentIndex(list->model()->index(c.Open, 0));
        QVERIFY2(w.SelectedNode() && w.SelectedNode()->Id() == c.Opens, c.Name);
        QVERIFY2(list->model()->index(c.Open, 0).data(Qt::UserRole).toStringList().value(1) == c.Opens,
                 c.Name);
    }
}

void TestResultLists::GoneNodesShowNothing() {
    // The model on its own, with no window to empty it: rows whose nodes are gone show nothing and
    // name nothing, and reading them never follows a released node.
    TTaxonomyTree tree;
    const std::string text = "#c1#C#c\r\n\t\t\t\t\t#g1#Alpha#a\r\n\t\t\t\t\t#g2#Beta#b\r\n";
    auto bytes = std::make_unique<char[]>(text.size());
    std::copy(text.begin(), text.end(), bytes.get());
    tree.LoadOutline(std::move(bytes), text.size());
    TResultListModel model;
    TGenusEntries entries = AllGenus(tree);
    entries.push_back({nullptr, "Lost"});
    model.SetEntries(tree, entries);
    const auto shown = [&] {
        QStringList rows;
        for (int i = 0; i < model.rowCount(); ++i)
            rows << model.index(i).data().toString() + (model.Listed(i) ? "" : "!");
        return rows;
    };
    QCOMPARE(shown(), QStringList({"Alpha (a)", "Beta (b)", "Lost"}));
    tree.DeleteNode(tree.Next(tree.First()));
    QCOMPARE(shown(), QStringList({"!", "Beta (b)", "Lost"}));
    QVERIFY(!model.Entry(0).HasNode);
    tree.Clear();
    QCOMPARE(shown(), QStringList({"!", "!", "Lost"}));
    QCOMPARE(model.Entry(2).Caption, QString("Lost"));
}

QTEST_MAIN(TestResultLists)
#include "test_result_lists.moc"
