// Genera with very long descriptions in the shipped data: from choosing the genus in the tree to
// its summary painted (the editor and the picture are filled on the way, as for the user), then
// the Editor page opened on it, and the peak memory of each step above what the program used
// before it. The goal: on screen within a second, at most 150 MB above the footprint.
// Run with QT_QPA_PLATFORM=offscreen; needs no large data.
#include "AppState.h"
#include "FormMainTestAccess.h"
#include "Form_Main.h"
#include "Global.h"
#include "GuiBench.h"
#include "TaxonomyTree.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTextBrowser>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <fstream>
#include <memory>

namespace {

QTemporaryDir* Folder = nullptr;
std::unique_ptr<TFormMain> Window;
TTreeNode* Family = nullptr;

enum class TLongField { Description, Meaning, Species };
struct TLongGenus {
    const char* Id;
    size_t Bytes;
    bool Paragraphs; // a line break ("|") about every 1,000 characters, or one single line
    TLongField Field = TLongField::Description;
};
const TLongGenus Genera[] = {{"long4", 4u << 20, true},
                             {"long16", 16u << 20, true},
                             {"line16", 16u << 20, false},
                             {"mean16", 16u << 20, false, TLongField::Meaning},
                             {"spec16", 16u << 20, false, TLongField::Species}};

// Prose with remarks, italics and a link, as descriptions carry them.
std::string Description(size_t bytes, bool paragraphs) {
    const std::string sentence = "The mantle is umber (rarely grey) with a [soft] keel; see "
                                 "<genus$'Aurovelis'> and {\\b dark} bands. ";
    std::string text;
    text.reserve(bytes + sentence.size());
    size_t sinceBreak = 0;
    while (text.size() < bytes) {
        text += sentence;
        sinceBreak += sentence.size();
        if (paragraphs && sinceBreak >= 1000) {
            text += '|';
            sinceBreak = 0;
        }
    }
    return text;
}

bool Prepare() {
    Folder = MakeProgramFolder();
    {
        std::ofstream genus((Folder->path() + "/genus.dat").toStdString(), std::ios::binary | std::ios::app);
        for (const TLongGenus& g : Genera) {
            const std::string text = Description(g.Bytes, g.Paragraphs);
            const bool meaning = g.Field == TLongField::Meaning;
            genus << g.Id << "#Longa#" << (meaning ? text : "long one") << "#"
                  << (g.Field == TLongField::Description ? text : "Short.")
                  << "#Soarer#Long korvel#-#####kw\r\n\t#minor#small#Rare.\r\n";
            for (size_t i = 0; g.Field == TLongField::Species && i < g.Bytes / 40; ++i)
                genus << "\t#species" << i << "#named " << i << "#Rare.\r\n";
        }
    }
    Window = std::make_unique<TFormMain>();
    Window->resize(1000, 700);
    Window->show();
    TTaxonomyTree& tree = Window->Tree();
    Family = tree.First();
    while (Family && Family->Level() != 4)
        Family = tree.Next(Family);
    if (!Family)
        return false;
    for (const TLongGenus& g : Genera)
        AddTreeNode(tree, Family, TTaxonomyData("\t\t\t\t\t", g.Id, "Longa", "a long one"));
    QApplication::processEvents();
    return true;
}

// Runs `step` and waits until `widget` has painted; seconds taken, and the peak in MiB above the
// resident size before.
std::pair<double, double> UntilPainted(QWidget* widget, const std::function<void()>& step) {
    TPaintWatch watch;
    widget->installEventFilter(&watch);
    const long before = ResetPeak();
    QElapsedTimer timer;
    timer.start();
    step();
    while (!watch.Painted && timer.elapsed() < 30000)
        QApplication::processEvents();
    const double seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
    widget->removeEventFilter(&watch);
    return {seconds, static_cast<double>(StatusKiB("VmHWM:") - before) / 1024.0};
}

void BM_LongDescription(benchmark::State& state) {
    if (!Window) {
        state.SkipWithError("no family in the shipped tree");
        return;
    }
    const TLongGenus& g = Genera[state.range(0)];
    TTreeNode* node = FindTreeNode(Window->Tree(), MakeNodeKey(5, g.Id, "", ""));
    auto* info = Window->findChild<QTabWidget*>("InfoPageControl");
    QWidget* summaryTab = info->widget(0);
    QWidget* editorTab = Window->findChild<QWidget*>("EditorTabSheet");
    auto* memo = Window->findChild<QPlainTextEdit*>("DescriptionMemo");
    double summaryPeak = 0, editorSeconds = 0, editorPeak = 0;
    for (auto _ : state) {
        info->setCurrentWidget(summaryTab);
        Window->SelectNode(Family);
        QApplication::processEvents();
        const auto [seconds, peak] = UntilPainted(TFormMainTestAccess::DetailMemo(*Window)->viewport(),
                                                  [node] { Window->SelectNode(node); });
        state.SetIterationTime(seconds);
        summaryPeak = std::max(summaryPeak, peak);
        Window->findChild<QTabWidget*>("EditorPageControl")->setCurrentIndex(1);
        const auto [editor, editorMiB] =
            UntilPainted(memo->viewport(), [&] { info->setCurrentWidget(editorTab); });
        editorSeconds = std::max(editorSeconds, editor);
        editorPeak = std::max(editorPeak, editorMiB);
    }
    state.counters["MB"] = static_cast<double>(g.Bytes) / 1e6;
    state.counters["summary_peak_MiB"] = summaryPeak;
    state.counters["editor_ms"] = editorSeconds * 1000.0;
    state.counters["editor_peak_MiB"] = editorPeak;
    state.counters["shown_chars"] = TFormMainTestAccess::DetailMemo(*Window)->document()->characterCount();
    state.counters["whole_kept"] = TFormMainTestAccess::EditRecord(*Window).Description.size() ==
                                   TFormMainTestAccess::CurrentRecord(*Window).Description.size();
}
BENCHMARK(BM_LongDescription)
    ->ArgName("genus")
    ->DenseRange(0, 4)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    TAutoDialogs dialogs;
    SetDialogSeam(&dialogs);
    ConfigureApplication();
    if (!Prepare())
        Window.reset();
    std::printf("genus 0: 4 MB in paragraphs, 1: 16 MB in paragraphs, 2: 16 MB in one line, 3: a meaning of "
                "16 MB, 4: 16 MB of species lines\n");
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    Window.reset();
    SetDialogSeam(nullptr);
    delete Folder;
    return 0;
}
