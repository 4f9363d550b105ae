// The GIF control playing a 100-frame 800 by 600 animation at 50 ms a frame, through a window
// timer and through the timer thread: how late the latest step came and how much processor
// time the playing took (counters max_late_ms, mean_late_ms and cpu_percent of one core).
#include "GIFImageWidget.h"
#include "GifWriter.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <sys/resource.h>
#include <vector>

namespace {

constexpr int Width = 800, Height = 600, Frames = 100, DelayHundredths = 5;

// Each frame a different pattern over the whole picture, so every step redraws it all.
const std::string& Animation() {
    static const std::string gif = [] {
        TGifSpec spec;
        spec.Width = Width;
        spec.Height = Height;
        spec.GlobalTable = MakeTable(256);
        spec.LoopCount = 0;
        for (int k = 0; k < Frames; ++k) {
            TGifFrameSpec frame = MakeFrame(0, 0, Width, Height, [k](int x, int y) {
                return ((x + 3 * k) / 16 + (y + k) / 16 + k) & 0xFF;
            });
            frame.Control = true;
            frame.Delay = DelayHundredths;
            spec.Frames.push_back(std::move(frame));
        }
        return WriteGif(spec);
    }();
    return gif;
}

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

void BM_PlayAnimation(benchmark::State& state) {
    const bool threaded = state.range(0) != 0;
    QWidget window;
    window.resize(Width, Height);
    auto* gif = new Gui::TGIFImage(&window);
    gif->setGeometry(0, 0, Width, Height);
    if (!gif->LoadFromBytes(Animation())) {
        state.SkipWithError("the animation did not load");
        return;
    }
    window.show();
    QApplication::processEvents();
    gif->SetThreaded(threaded);
    for (auto _ : state) {
        std::vector<qint64> steps;
        QElapsedTimer clock;
        gif->OnChange = [&](Gui::TGIFImage&) { steps.push_back(clock.nsecsElapsed()); };
        const double cpuBefore = CpuSeconds();
        clock.start();
        gif->SetAnimate(true);
        QEventLoop loop;
        QTimer::singleShot(5000, &loop, &QEventLoop::quit);
        loop.exec();
        gif->SetAnimate(false);
        const double wall = double(clock.nsecsElapsed()) / 1e9;
        const double cpu = CpuSeconds() - cpuBefore;
        // Lateness: the gap between two steps beyond the 50 ms the frames ask for.
        double maxLate = 0, sumLate = 0;
        for (std::size_t i = 1; i < steps.size(); ++i) {
            const double late = std::max(0.0, double(steps[i] - steps[i - 1]) / 1e6 - DelayHundredths * 10.0);
            maxLate = std::max(maxLate, late);
            sumLate += late;
        }
        state.counters["steps"] = double(steps.size());
        state.counters["max_late_ms"] = maxLate;
        state.counters["mean_late_ms"] = steps.size() > 1 ? sumLate / double(steps.size() - 1) : 0;
        state.counters["cpu_percent"] = 100.0 * cpu / wall;
        state.SetIterationTime(wall);
    }
}
BENCHMARK(BM_PlayAnimation)
    ->Arg(0)
    ->Arg(1)
    ->ArgName("threaded")
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kSecond);

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
