// The SWR-over-frequency window: recompute for a new load and redraw.
#include "benchsupport.h"
#include "response.h"
#include "swrplot.h"

#include <QApplication>
#include <QChartView>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <random>

namespace {

std::vector<TLoad> Loads() {
    std::mt19937 random(11);
    std::uniform_real_distribution<double> r(1.0, 1000.0), x(-1000.0, 1000.0);
    std::vector<TLoad> loads;
    for (int i = 0; i < 256; ++i)
        loads.push_back({r(random), x(random)});
    return loads;
}

// The core alone: 1,001 points and the four band edges.
void BM_ResponseCompute(benchmark::State& state) {
    const std::vector<TLoad> loads = Loads();
    size_t i = 0;
    for (auto _ : state) {
        const auto t0 = TBenchClock::now();
        const TBandResponse r(loads[i++ % loads.size()], 7.1, TLoadModel::Reactance);
        benchmark::DoNotOptimize(r.Sweep(7.1 * 0.8, 7.1 * 1.2, TfrmSwrPlot::CurvePoints));
        benchmark::DoNotOptimize(r.Edges(SwrLimitTight, 7.1 * 0.8, 7.1 * 1.2));
        benchmark::DoNotOptimize(r.Edges(SwrLimitLoose, 7.1 * 0.8, 7.1 * 1.2));
        Record("compute", t0);
    }
}
BENCHMARK(BM_ResponseCompute);

// What a click costs with the window open: recompute, then the chart painted.
void BM_SwrPlotUpdate(benchmark::State& state) {
    // Never destroyed: a static widget would die after QApplication, a crash at exit.
    static TfrmSwrPlot& window = *new TfrmSwrPlot;
    window.resize(800, 600);
    window.show();
    QApplication::processEvents();
    const std::vector<TLoad> loads = Loads();
    size_t i = 0;
    for (auto _ : state) {
        const auto t0 = TBenchClock::now();
        window.SetDesign(loads[i++ % loads.size()], 7.1);
        QApplication::processEvents();
        window.chartView->viewport()->repaint();
        Record("window", t0);
    }
}
BENCHMARK(BM_SwrPlotUpdate);

void Summary() {
    std::printf("Pentarix SWR-over-frequency figures (medians of single operations, this run)\n");
    const double compute = Median("compute"), window = Median("window");
    Line("1,001 points and four band edges", Ms(compute));
    Line("SWR plot recomputed and redrawn", Ms(window), Verdict(window, 16e-3, "<= 16 ms"));
}

} // namespace

int main(int argc, char** argv) {
    PrepareQtEnvironment();
    QApplication app(argc, argv);
    return RunBenchmarks(argc, argv, Summary);
}
