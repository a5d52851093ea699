// The T and Pi tuners: the three settings of one load, as the command line
// and a tuner window compute them, and the coverage map at the chart's size,
// coarse pass and whole, on one core.
#include "benchsupport.h"
#include "tpinetwork.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <random>

namespace {

// A common 250 pF / 30 µH tuner on 80 m, with usual Qs.
TTunerProblem Problem(TTunerKind kind) {
    TTunerProblem p;
    p.Tuner.Kind = kind;
    p.FrequencyMHz = 3.7;
    p.Q = {150, 1000};
    return p;
}

const char* KindName(int kind) {
    return kind ? "pi" : "tee";
}

// Loads spread over the chart (SWR up to about 20), so that the figure is
// no single lucky load's.
std::vector<TLoad> Loads() {
    std::mt19937 random(3);
    std::uniform_real_distribution<double> u(0, 1);
    std::vector<TLoad> loads;
    for (int i = 0; i < 256; ++i)
        loads.push_back(
            LoadOfGamma(std::polar(0.9 * std::sqrt(u(random)), 6.283185307 * u(random)), 50.0));
    return loads;
}

void BM_ThreeSettings(benchmark::State& state) {
    const TTunerProblem p = Problem(state.range(0) ? TTunerKind::Pi : TTunerKind::Tee);
    const std::vector<TLoad> loads = Loads();
    // Loads the tuner matches: an unmatched one costs the nearest-SWR search instead.
    std::vector<TLoad> matched;
    for (const TLoad& l : loads)
        if (TuneLoad(p, l, 100).Reachable) matched.push_back(l);
    const std::string name = std::string("three/") + KindName(int(state.range(0)));
    std::size_t i = 0;
    for (auto _ : state) {
        const auto t0 = TBenchClock::now();
        benchmark::DoNotOptimize(TuneLoad(p, matched[i++ % matched.size()], 100));
        Record(name, t0);
    }
}
BENCHMARK(BM_ThreeSettings)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// The grid of the chart's disc: a point on every pixel of radius 330.
constexpr int kGrid = 2 * kDesignR + 1;

void BM_CoverageCoarse(benchmark::State& state) {
    const TTunerProblem p = Problem(state.range(0) ? TTunerKind::Pi : TTunerKind::Tee);
    const std::string name = std::string("coarse/") + KindName(int(state.range(0)));
    for (auto _ : state) {
        TCoverageGrid grid = EmptyCoverageGrid(kGrid);
        const auto t0 = TBenchClock::now();
        FillCoverage(p, grid, 8);
        Record(name, t0);
        benchmark::DoNotOptimize(grid.Cells.data());
    }
}
BENCHMARK(BM_CoverageCoarse)->Arg(0)->Arg(1)->Iterations(9)->Unit(benchmark::kMillisecond);

void BM_CoverageWhole(benchmark::State& state) {
    const TTunerProblem p = Problem(state.range(0) ? TTunerKind::Pi : TTunerKind::Tee);
    const std::string name = std::string("whole/") + KindName(int(state.range(0)));
    for (auto _ : state) {
        TCoverageGrid grid = EmptyCoverageGrid(kGrid);
        const auto t0 = TBenchClock::now();
        FillCoverage(p, grid, 1);
        Record(name, t0);
        benchmark::DoNotOptimize(grid.Cells.data());
    }
}
BENCHMARK(BM_CoverageWhole)->Arg(0)->Arg(1)->Iterations(3)->Unit(benchmark::kMillisecond);

void Summary() {
    std::printf(
        "Pentarix tuner figures (medians, 250 pF / 30 uH tuner at 3.7 MHz, Q 150 / 1000)\n");
    for (const char* kind : {"tee", "pi"}) {
        const std::string k = kind;
        const double three = Median("three/" + k);
        Line("Three settings of a matched load, " + k, Us(three),
             Verdict(three, 20e-6, "<= 20 us"));
        const double coarse = Median("coarse/" + k);
        Line("Coverage, every 8th point of 661 x 661, " + k, Ms(coarse),
             Verdict(coarse, 100e-3, "<= 100 ms"));
        const double whole = Median("whole/" + k);
        Line("Coverage, 661 x 661 points, " + k, Ms(whole), Verdict(whole, 1.0, "<= 1 s"));
    }
}

} // namespace

int main(int argc, char** argv) {
    return RunBenchmarks(argc, argv, Summary);
}
