// The feed line core: one load moved through a line with every figure of the
// window (both ends, SWRs, electrical length, matched and total loss, power).
#include "benchsupport.h"
#include "feedline.h"
#include "station.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <random>

namespace {

std::vector<TLoad> Loads() {
    std::mt19937 random(20);
    std::uniform_real_distribution<double> r(1.0, 1000.0), x(-1000.0, 1000.0);
    std::vector<TLoad> loads;
    for (int i = 0; i < 1024; ++i)
        loads.push_back({r(random), x(random)});
    return loads;
}

void BM_FeedThrough(benchmark::State& state) {
    std::vector<TLoad> loads = Loads();
    TFeed feed;
    feed.Line = *FindLine("RG-213/U");
    feed.Point = state.range(0) ? TPointAt::Shack : TPointAt::Antenna;
    // A shack reading is what an antenna gives through the line; a random
    // impedance there may be one no antenna gives, which is refused.
    if (feed.Point == TPointAt::Shack)
        for (TLoad& load : loads)
            load = LoadOf(MoveThroughLine(feed.Line, 7.1, feed.LengthM, load.Z()));
    size_t i = 0;
    for (auto _ : state) {
        const auto t0 = TBenchClock::now();
        benchmark::DoNotOptimize(FeedThrough(feed, loads[i++ % loads.size()], 7.1, 50.0, 100.0));
        Record(state.range(0) ? "shack" : "antenna", t0);
    }
}
BENCHMARK(BM_FeedThrough)->Arg(0)->Arg(1);

// The whole station for one load: the tuner's load, the chart's network for
// it, and every junction's impedance, SWR and power, with the stresses. The
// shack reading with the tuner at the antenna is the longest way: the reading
// taken back through the line, then the tuner's input forward again.
void BM_Station(benchmark::State& state) {
    TStationSetup setup;
    TFeed feed;
    feed.Line = *FindLine("RG-213/U");
    feed.Point = state.range(0) ? TPointAt::Shack : TPointAt::Antenna;
    feed.Tuner = state.range(0) ? TTunerAt::Antenna : TTunerAt::Shack;
    setup.Feed = feed;
    // A shack reading is what real antennas give there, so that every load
    // goes the whole way rather than out early as unmatchable.
    std::vector<TLoad> given = Loads();
    if (state.range(0))
        for (TLoad& load : given)
            load = LoadOf(MoveThroughLine(feed.Line, 7.1, feed.LengthM, load.Z()));
    size_t i = 0;
    for (auto _ : state) {
        const auto t0 = TBenchClock::now();
        try {
            benchmark::DoNotOptimize(DesignStation(setup, given[i++ % given.size()], 7.1));
        } catch (const std::exception&) {
        }
        Record(state.range(0) ? "station shack" : "station antenna", t0);
    }
}
BENCHMARK(BM_Station)->Arg(0)->Arg(1);

// A measured dipole of 100,001 points moved through the line to the tuner:
// read at the antenna with the tuner in the shack, or read in the shack with
// the tuner at the antenna (every point taken back, with the refusal check).
void BM_MoveTrace(benchmark::State& state) {
    TTouchstone trace;
    for (int i = 0; i <= 100000; ++i) {
        const double mhz = 6.8 + 0.6 * i / 100000.0;
        TTouchstonePoint p;
        p.FrequencyMHz = mhz;
        p.R = 45 + 300 * (mhz - 7.1) * (mhz - 7.1);
        p.X = 260 * (mhz - 7.1);
        trace.Points.push_back(p);
    }
    TFeed feed;
    feed.Line = *FindLine("RG-213/U");
    const bool back = state.range(0) != 0;
    if (back) {
        feed.Point = TPointAt::Shack;
        feed.Tuner = TTunerAt::Antenna;
    }
    for (auto _ : state) {
        const auto t0 = TBenchClock::now();
        benchmark::DoNotOptimize(MoveTrace(trace, feed));
        Record(back ? "move trace back" : "move trace", t0);
    }
}
BENCHMARK(BM_MoveTrace)->Arg(0)->Arg(1)->Iterations(10)->Unit(benchmark::kMillisecond);

void Summary() {
    std::printf("Pentarix feed line figures (medians of single operations, this run)\n");
    const double antenna = Median("antenna"), shack = Median("shack");
    Line("Antenna's load moved to the shack, with the losses", Us(antenna),
         Verdict(antenna, 5e-6, "<= 5 us"));
    Line("Shack reading moved back and forward, with the losses", Us(shack),
         Verdict(shack, 5e-6, "<= 5 us"));
    const double stationAntenna = Median("station antenna"), stationShack = Median("station shack");
    Line("Station for one load, tuner in the shack", Us(stationAntenna),
         Verdict(stationAntenna, 10e-6, "<= 10 us"));
    Line("Station for a shack reading, tuner at the antenna", Us(stationShack),
         Verdict(stationShack, 10e-6, "<= 10 us"));
    const double moved = Median("move trace");
    Line("A 100,001-point measurement moved through the line", Ms(moved),
         Verdict(moved, 50e-3, "<= 50 ms"));
    const double back = Median("move trace back");
    Line("The same points read in the shack, moved back", Ms(back),
         Verdict(back, 50e-3, "<= 50 ms"));
}

} // namespace

int main(int argc, char** argv) {
    return RunBenchmarks(argc, argv, Summary);
}
