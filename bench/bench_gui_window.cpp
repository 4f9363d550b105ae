// The main window on large data: start-up until the window is shown (with the saved state of the
// fully expanded tree to restore), Expand All, Collapse All and restoring the saved state on the
// million-line tree, and the summary of a genus with 2,000 species. Reads the large data
// from ORV_LARGE_DATA (default large-data/ of the repository; made by tools/gen_large_data.py).
#include "AppState.h"
#include "FormMainTestAccess.h"
#include "Form_Main.h"
#include "GenusLists.h"
#include "Global.h"
#include "GuiBench.h"
#include "QtText.h"
#include "ResultPage.h"
#include "RtfTextDocument.h"
#include "TaxonomyTree.h"
#include "TaxonomyTreeView.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QListView>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <fstream>
#include <memory>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

QTemporaryDir* Folder = nullptr;

bool PrepareFolder() {
    if (!QFile::exists(LargeData() + "/classifytree.dat"))
        return false;
    Folder = MakeProgramFolder();
    const QString dst = Folder->path() + "/";
    QFile::remove(dst + "classifytree.dat");
    QFile::link(LargeData() + "/classifytree.dat", dst + "classifytree.dat");
    // A genus with 2,000 species for the summary benchmark.
    std::ofstream genus((dst + "genus.dat").toStdString(), std::ios::binary);
    genus << "big#Megakorva#great one#A large genus.|With two lines.#Soarer#Great korvel#-#####big\r\n";
    for (int i = 0; i < 2000; ++i)
        genus << "\t#species" << i << "#meaning " << i
              << "#Described from the steppe.|Rare (see notes) [old]\r\n";
    genus.close();
    // The state a user who opened everything leaves behind: start-up restores all of it.
    TTaxonomyTree tree;
    LoadTree(tree);
    SaveTreeState(tree, [](const TTreeNode* node) { return node->HasChildren(); });
    return true;
}

std::unique_ptr<TFormMain> Window;

void BM_StartUpToShownWindow(benchmark::State& state) {
    if (!Folder) {
        state.SkipWithError("no large data: run tools/gen_large_data.py");
        return;
    }
    for (auto _ : state) {
        Window.reset();
        QElapsedTimer timer;
        timer.start();
        Window = std::make_unique<TFormMain>();
        Window->show();
        QApplication::processEvents();
        state.SetIterationTime(timer.nsecsElapsed() / 1e9);
    }
    state.counters["nodes"] = static_cast<double>(Window->Tree().Count());
    state.counters["rows"] = static_cast<double>(TFormMainTestAccess::TaxonomyTreeView(*Window)->RowCount());
}
BENCHMARK(BM_StartUpToShownWindow)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(2);

void BM_CollapseAll(benchmark::State& state) {
    if (!Window) {
        state.SkipWithError("no window");
        return;
    }
    TimeSteps(
        state, [] { Window->CollapseAll(); }, [] { Window->ExpandAll(); });
}
BENCHMARK(BM_CollapseAll)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_ExpandAll(benchmark::State& state) {
    if (!Window) {
        state.SkipWithError("no window");
        return;
    }
    TimeSteps(
        state, [] { Window->ExpandAll(); }, [] { Window->CollapseAll(); });
}
BENCHMARK(BM_ExpandAll)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

// The saved state of the fully expanded tree applied to the collapsed tree, as Reset does.
void BM_RestoreTreeState(benchmark::State& state) {
    if (!Window) {
        state.SkipWithError("no window");
        return;
    }
    Window->ExpandAll();
    SaveTreeState(Window->Tree(), [](const TTreeNode* node) { return Window->IsExpanded(node); });
    TimeSteps(
        state, [] { Window->ResetTreeAppearance(); }, [] { Window->CollapseAll(); });
    state.counters["rows"] = static_cast<double>(TFormMainTestAccess::TaxonomyTreeView(*Window)->RowCount());
}
BENCHMARK(BM_RestoreTreeState)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_SummaryOf2000Species(benchmark::State& state) {
    if (!Window) {
        state.SkipWithError("no window");
        return;
    }
    const TTaxonomyData node("\t\t\t\t\t", "big", "Megakorva", "the big one");
    for (auto _ : state) {
        TTaxonomyDetail record;
        ReadDetail(node, record);
        TFormMainTestAccess::Summary(*Window)->BuildRecordSummary(record);
        QApplication::processEvents();
    }
    state.counters["characters"] = TFormMainTestAccess::DetailMemo(*Window)->document()->characterCount();
}
BENCHMARK(BM_SummaryOf2000Species)->Unit(benchmark::kMillisecond)->Iterations(5);

// From choosing the genus with 2,000 species in the tree to its summary painted in the view (the
// editor and the picture are filled on the way, as they are for the user).
void BM_SummaryFromSelection(benchmark::State& state) {
    if (!Window) {
        state.SkipWithError("no window");
        return;
    }
    TTaxonomyTree& tree = Window->Tree();
    TTreeNode* family = tree.First();
    while (family && family->Level() != 4)
        family = tree.Next(family);
    TTreeNode* big =
        AddTreeNode(tree, family, TTaxonomyData("\t\t\t\t\t", "big", "Megakorva", "the big one"));
    QWidget* viewport = TFormMainTestAccess::DetailMemo(*Window)->viewport();
    TPaintWatch watch;
    viewport->installEventFilter(&watch);
    for (auto _ : state) {
        Window->SelectNode(family);
        QApplication::processEvents();
        watch.Painted = false;
        QElapsedTimer timer;
        timer.start();
        Window->SelectNode(big);
        while (!watch.Painted && timer.elapsed() < 5000)
            QApplication::processEvents();
        state.SetIterationTime(timer.nsecsElapsed() / 1e9);
    }
    viewport->removeEventFilter(&watch);
    state.counters["characters"] = TFormMainTestAccess::DetailMemo(*Window)->document()->characterCount();
    tree.DeleteNode(big);
}
BENCHMARK(BM_SummaryFromSelection)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

// "Show All Genus" on the million-line tree (over 900,000 genera): the command, the sorted list
// and the view laid out.
void BM_ShowAllGenus(benchmark::State& state) {
    if (!Window) {
        state.SkipWithError("no window");
        return;
    }
    TimeSteps(state, [] { Window->Action(TAction::ViewAllGenus)->trigger(); });
    state.counters["entries"] = Window->findChild<QListView*>("ResultListView")->model()->rowCount();
}
BENCHMARK(BM_ShowAllGenus)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

// From "Show All Genus" chosen on the Taxonomy page to the list painted on the Search Result page
// (over 900,000 genera of the million-line tree).
void TimeUntilListPainted(benchmark::State& state, const std::function<void()>& show) {
    if (!Window) {
        state.SkipWithError("no window");
        return;
    }
    auto* list = Window->findChild<QListView*>("ResultListView");
    TPaintWatch watch;
    list->viewport()->installEventFilter(&watch);
    for (auto _ : state) {
        Window->ShowMainPage(TFormMain::TaxonomyPage);
        QApplication::processEvents();
        watch.Painted = false;
        QElapsedTimer timer;
        timer.start();
        show();
        while (!watch.Painted && timer.elapsed() < 10000)
            QApplication::processEvents();
        state.SetIterationTime(static_cast<double>(timer.nsecsElapsed()) / 1e9);
    }
    list->viewport()->removeEventFilter(&watch);
    state.counters["entries"] = list->model()->rowCount();
}

void BM_ShowAllGenusPainted(benchmark::State& state) {
    TimeUntilListPainted(state, [] { Window->Action(TAction::ViewAllGenus)->trigger(); });
}
BENCHMARK(BM_ShowAllGenusPainted)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

// The same list as the command filled it while the list held a copy of every caption and key,
// sorted through the copies: the figure to compare the one above with.
void BM_ShowAllGenusCopiedPainted(benchmark::State& state) {
    TimeUntilListPainted(state, [] {
        const TTaxonomyTree& tree = Window->Tree();
        const TGenusEntries entries = AllGenus(tree);
        std::vector<TResultEntry> rows;
        rows.reserve(entries.size());
        for (const TGenusEntry& entry : entries)
            rows.push_back({ToQ(entry.Caption(tree)), entry.HasNode(), entry.Data()});
        const QString count = QStringLiteral("%1 Genus").arg(rows.size());
        Window->findChild<TResultPage*>("SearchResultTabSheet")->Show(std::move(rows), "[All]", count);
        Window->ShowMainPage(TFormMain::ResultPage);
    });
}
BENCHMARK(BM_ShowAllGenusCopiedPainted)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

// The result list filled with 200,000 entries, the figure a search over the large genus database
// can reach.
void BM_ResultList200000(benchmark::State& state) {
    if (!Window) {
        state.SkipWithError("no window");
        return;
    }
    auto* page = Window->findChild<TResultPage*>("SearchResultTabSheet");
    Window->ShowMainPage(TFormMain::ResultPage);
    for (auto _ : state) {
        std::vector<TResultEntry> entries;
        entries.reserve(200000);
        for (int i = 0; i < 200000; ++i)
            entries.push_back({QStringLiteral("Genus%1 (info %2)").arg((i * 7919) % 200000).arg(i), true,
                               TTaxonomyData("\t\t\t\t\t", "g" + std::to_string(i), "Genus", "info")});
        QElapsedTimer timer;
        timer.start();
        page->Show(std::move(entries), "[All]", "200000 Genus");
        QApplication::processEvents();
        state.SetIterationTime(timer.nsecsElapsed() / 1e9);
    }
}
BENCHMARK(BM_ResultList200000)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

// A field of /proc/<pid>/status ("VmHWM:", "SigCgt:"), 0 once the process is gone.
unsigned long long ProcStatus(pid_t pid, const std::string& field, int base) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(field, 0) == 0)
            return std::strtoull(line.c_str() + field.size(), nullptr, base);
    return 0;
}

// The program itself on the million-line tree, as a user starts it: from starting the process to its
// end, with a quit request (SIGTERM, handled like closing the window) sent as soon as the program
// catches it. The request is served once start-up is over, so the run covers start-up, the window
// shown with the saved state of a fully expanded tree restored, and shut-down (the state written
// back): an upper bound of the time to the shown window. The peak resident memory is the program's
// own high-water mark, read while it runs (the rusage of a forked child counts this process's pages).
void BM_ProgramStartShowAndQuit(benchmark::State& state) {
    if (!Folder) {
        state.SkipWithError("no large data");
        return;
    }
    QTemporaryDir folder;
    const QString dst = folder.path() + "/";
    for (const QString& f : QDir(Folder->path()).entryList(QDir::Files))
        if (f != "classifytree.dat")
            QFile::copy(Folder->path() + "/" + f, dst + f);
    QFile::link(LargeData() + "/classifytree.dat", dst + "classifytree.dat");
    const QByteArray dir = QFile::encodeName(folder.path());
    long peakKiB = 0;
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        const pid_t child = fork();
        if (child == 0) {
            setenv("QT_QPA_PLATFORM", "offscreen", 1);
            execl(ORV_PROGRAM, ORV_PROGRAM, "--data-dir", dir.constData(), "--offline",
                  static_cast<char*>(nullptr));
            _exit(127);
        }
        bool asked = false;
        int status = 0;
        while (waitpid(child, &status, WNOHANG) == 0) {
            // Once the signal is caught, the forked image has long been replaced by the program's.
            if (!asked && (ProcStatus(child, "SigCgt:", 16) & (1ull << (SIGTERM - 1)))) {
                kill(child, SIGTERM);
                asked = true;
            }
            if (asked)
                peakKiB = std::max(peakKiB, static_cast<long>(ProcStatus(child, "VmHWM:", 10)));
            usleep(1000);
        }
        state.SetIterationTime(timer.nsecsElapsed() / 1e9);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            state.SkipWithError("the program did not end normally");
            return;
        }
    }
    state.counters["peak_rss_MiB"] = static_cast<double>(peakKiB) / 1024.0;
}
BENCHMARK(BM_ProgramStartShowAndQuit)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    TAutoDialogs dialogs;
    SetDialogSeam(&dialogs);
    ConfigureApplication();
    const bool ready = PrepareFolder();
    if (!ready)
        std::printf("large data missing in %s: run tools/gen_large_data.py\n", qPrintable(LargeData()));
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    Window.reset();
    SetDialogSeam(nullptr);
    delete Folder;
    return 0;
}
