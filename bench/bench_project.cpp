// The project file of a design with a 100,001-point measurement and a feed
// line: saved as the frame saves it (JSON, then an atomic write) and opened
// again (read, parsed and checked whole).
#include "benchsupport.h"
#include "project.h"
#include "savefile.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstdio>

namespace {

TDesignState LargeDesign() {
    TDesignState s;
    TTouchstone trace;
    for (int i = 0; i <= 100000; ++i) {
        const double mhz = 1.0 + 29.0 * i / 100000.0;
        TTouchstonePoint p;
        p.FrequencyMHz = mhz;
        p.R = 45 + 3 * (mhz - 7.1) * (mhz - 7.1);
        p.X = 26 * (mhz - 7.1);
        trace.Points.push_back(p);
    }
    s.Measured = std::move(trace);
    s.MeasurementName = QStringLiteral("dipole.s1p");
    s.Step.Load = TLoad{45, 10};
    s.Step.FrequencyMHz = 7.1;
    s.Feed.Line = *FindLine("RG-213/U");
    s.LineInUse = true;
    return s;
}

QTemporaryDir& Folder() {
    static QTemporaryDir dir;
    return dir;
}

void BM_SaveProject(benchmark::State& state) {
    const TDesignState s = LargeDesign();
    const QString path = Folder().filePath(QStringLiteral("large.pentarix"));
    for (auto _ : state) {
        const auto t0 = TBenchClock::now();
        SaveAtomically(path, ProjectJson(s));
        Record("save", t0);
    }
}
BENCHMARK(BM_SaveProject)->Iterations(10)->Unit(benchmark::kMillisecond);

void BM_OpenProject(benchmark::State& state) {
    const QString path = Folder().filePath(QStringLiteral("large.pentarix"));
    SaveAtomically(path, ProjectJson(LargeDesign()));
    for (auto _ : state) {
        const auto t0 = TBenchClock::now();
        benchmark::DoNotOptimize(ReadProjectFile(path));
        Record("open", t0);
    }
}
BENCHMARK(BM_OpenProject)->Iterations(10)->Unit(benchmark::kMillisecond);

void Summary() {
    std::printf("Pentarix project file figures (medians of single operations, this run)\n");
    const double save = Median("save"), open = Median("open");
    Line("A project of a 100,001-point measurement saved", Ms(save), Verdict(save, 200e-3, "<= 200 ms"));
    Line("The same project opened and checked", Ms(open), Verdict(open, 300e-3, "<= 300 ms"));
}

} // namespace

int main(int argc, char** argv) {
    return RunBenchmarks(argc, argv, Summary);
}
