// The network core for one load, and the details window that shows it.
#include "benchsupport.h"
#include "lnetwork.h"
#include "networkwindow.h"
#include "parts.h"

#include <QApplication>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <random>

namespace {

std::vector<TLoad> Loads() {
    std::mt19937 random(7);
    std::uniform_real_distribution<double> r(1.0, 1000.0), x(-1000.0, 1000.0);
    std::vector<TLoad> loads;
    for (int i = 0; i < 1024; ++i)
        loads.push_back({r(random), x(random)});
    return loads;
}

// Every network with snapping, tolerance corners, losses and stress.
void BM_DesignOneLoad(benchmark::State& state) {
    const std::vector<TLoad> loads = Loads();
    size_t i = 0;
    TDesignOptions options;
    options.Series = TESeries::E96;
    for (auto _ : state) {
        const auto t0 = TBenchClock::now();
        benchmark::DoNotOptimize(DesignNetworks(loads[i++ % loads.size()], 7.1, options));
        Record("design", t0);
    }
}
BENCHMARK(BM_DesignOneLoad);

// The same with everything the bench needs: lossy values, pairs over E96,
// the air-core and toroid windings.
void BM_PartsOneLoad(benchmark::State& state) {
    const std::vector<TLoad> loads = Loads();
    size_t i = 0;
    TDesignOptions options;
    options.Series = TESeries::E96;
    TWindingOptions winding;
    winding.Form = TAirCoilForm{20, 1.5, 1.5};
    winding.Core = FindToroidCore("T-130-2");
    for (auto _ : state) {
        const auto t0 = TBenchClock::now();
        const TLoad& load = loads[i++ % loads.size()];
        for (const TNetworkReport& rep : DesignNetworks(load, 7.1, options))
            benchmark::DoNotOptimize(BuildParts(rep, load, 7.1, options, winding));
        Record("parts", t0);
    }
}
BENCHMARK(BM_PartsOneLoad);

// The core as a script would use it in process: every network of 10,000
// loads with E12 values, the tolerance corners and the losses.
void BM_DesignTenThousandLoads(benchmark::State& state) {
    std::mt19937 random(17);
    std::uniform_real_distribution<double> r(1.0, 1000.0), x(-1000.0, 1000.0);
    std::vector<TLoad> loads;
    for (int i = 0; i < 10000; ++i)
        loads.push_back({r(random), x(random)});
    const TDesignOptions options; // E12, the default Qs and power
    for (auto _ : state) {
        const auto t0 = TBenchClock::now();
        for (const TLoad& load : loads)
            benchmark::DoNotOptimize(DesignNetworks(load, 7.1, options));
        Record("design/10000", t0);
    }
}
BENCHMARK(BM_DesignTenThousandLoads)->Iterations(30)->Unit(benchmark::kMillisecond);

// What a click adds when the details window is open.
void BM_DetailsWindowUpdate(benchmark::State& state) {
    // Never destroyed: a static widget would die after QApplication, a crash at exit.
    static TfrmNetwork& window = *new TfrmNetwork;
    window.show();
    const std::vector<TLoad> loads = Loads();
    size_t i = 0;
    for (auto _ : state) {
        const auto t0 = TBenchClock::now();
        window.SetLoad(loads[i++ % loads.size()], 7.1);
        QApplication::processEvents();
        Record("window", t0);
    }
}
BENCHMARK(BM_DetailsWindowUpdate);

void Summary() {
    std::printf("Pentarix network figures (medians of single operations, this run)\n");
    const double design = Median("design"), window = Median("window");
    Line("All networks of one load, E96, corners, losses", Us(design),
         Verdict(design, 20e-6, "<= 20 us"));
    const double parts = Median("parts");
    Line("The same with lossy values, E96 pairs, windings", Us(parts),
         Verdict(parts, 50e-6, "<= 50 us"));
    Line("Details window update for a click", Ms(window), Verdict(window, 1e-3, "<= 1 ms"));
    const double tenThousand = Median("design/10000");
    Line("All networks of 10,000 loads, E12, corners, losses", Ms(tenThousand),
         Verdict(tenThousand, 8e-3, "<= 8 ms"));
}

} // namespace

int main(int argc, char** argv) {
    PrepareQtEnvironment();
    QApplication app(argc, argv);
    return RunBenchmarks(argc, argv, Summary);
}
