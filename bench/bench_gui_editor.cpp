// The branch detail editor on large data: filling the Editor page with a genus of 2,000 species,
// and Save of that genus into the 200,000-genus database and its user database. Reads the large
// genus database from ORV_LARGE_DATA (default large-data/ of the repository; made by
// tools/gen_large_data.py).
#include "AppState.h"
#include "Form_Main.h"
#include "Global.h"
#include "GuiBench.h"
#include "TaxonomyTree.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QListView>
#include <QTabWidget>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <fstream>
#include <memory>

namespace {

QTemporaryDir* Folder = nullptr;
std::unique_ptr<TFormMain> Window;

bool Prepare() {
    if (!QFile::exists(LargeData() + "/genus.dat"))
        return false;
    Folder = MakeProgramFolder();
    const QString dst = Folder->path() + "/";
    // Save rewrites the database, so it is a copy, with a genus of 2,000 species at its end.
    QFile::remove(dst + "genus.dat");
    QFile::copy(LargeData() + "/genus.dat", dst + "genus.dat");
    {
        std::ofstream genus((dst + "genus.dat").toStdString(), std::ios::binary | std::ios::app);
        genus << "megakorva#Megakorva#great one#A large genus.|With two lines.#Soarer#Great "
                 "korvel#-#####big\r\n";
        for (int i = 0; i < 2000; ++i)
            genus << "\t#species" << i << "#meaning " << i << "#Described from the steppe.|Rare\r\n";
        std::ofstream tree((dst + "classifytree.dat").toStdString(), std::ios::binary);
        tree << "#c1#Korvelia#the korvels\r\n\t\t\t\t\t#megakorva#Megakorva#the big one\r\n";
    }
    Window = std::make_unique<TFormMain>();
    Window->show();
    Window->SelectNode(FindTreeNode(Window->Tree(), MakeNodeKey(5, "megakorva", "", "")));
    // The species list on screen, so that drawing its rows is measured too.
    auto* info = Window->findChild<QTabWidget*>("InfoPageControl");
    info->setCurrentWidget(Window->findChild<QWidget*>("EditorTabSheet"));
    Window->findChild<QTabWidget*>("EditorPageControl")->setCurrentIndex(3);
    QApplication::processEvents();
    return Window->findChild<QListView*>("SpeciesListView")->model()->rowCount() == 2000;
}

// Cancel refills every box and the species list from the record on screen: the editor's part of
// presenting the genus.
void BM_LoadEditor2000Species(benchmark::State& state) {
    if (!Window) {
        state.SkipWithError("no large data: run tools/gen_large_data.py");
        return;
    }
    TimeSteps(state, [] { Window->Action(TAction::EditorCancel)->trigger(); });
    state.counters["rows"] = Window->findChild<QListView*>("SpeciesListView")->model()->rowCount();
}
BENCHMARK(BM_LoadEditor2000Species)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_SaveGenus2000Species(benchmark::State& state) {
    if (!Window) {
        state.SkipWithError("no large data: run tools/gen_large_data.py");
        return;
    }
    TimeSteps(state, [] { Window->Action(TAction::EditorSave)->trigger(); });
    state.counters["MB"] = static_cast<double>(QFileInfo(Folder->path() + "/genus.dat").size()) / 1e6;
}
BENCHMARK(BM_SaveGenus2000Species)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    TAutoDialogs dialogs;
    SetDialogSeam(&dialogs);
    ConfigureApplication();
    if (!Prepare()) {
        std::printf("large data missing in %s: run tools/gen_large_data.py\n", qPrintable(LargeData()));
        Window.reset();
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    Window.reset();
    SetDialogSeam(nullptr);
    delete Folder;
    return 0;
}
