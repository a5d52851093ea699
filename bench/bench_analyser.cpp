// An analyser's sweep after its last byte: a 401-point NanoVNA scan reply and
// the same sweep as LibreVNA's trace list, parsed into loads.
#include "analyserreply.h"
#include "benchsupport.h"

#include <benchmark/benchmark.h>
#include <cmath>
#include <cstdio>
#include <string>

namespace {

constexpr int kPoints = 401;

// 1 to 30 MHz, S11 with the firmware's nine digits; `libre` as "[f,re,im],…".
std::string Reply(bool libre) {
    std::string s;
    char item[96];
    for (int i = 0; i < kPoints; ++i) {
        const double f = 1e6 + 29e6 * i / (kPoints - 1);
        const double re = 0.5 * std::cos(f / 3e6), im = 0.5 * std::sin(f / 2e6);
        if (libre)
            std::snprintf(item, sizeof item, "%s[%.0f,%.9g,%.9g]", i ? "," : "", f, re, im);
        else
            std::snprintf(item, sizeof item, "%.0f %.9g %.9g\r\n", f, re, im);
        s += item;
    }
    return s;
}

void BM_NanoScan(benchmark::State& state) {
    const std::string text = Reply(false);
    for (auto _ : state) {
        const auto t0 = TBenchClock::now();
        benchmark::DoNotOptimize(ParseNanoScan(text, kPoints));
        Record("analyser/nano", t0);
    }
}
BENCHMARK(BM_NanoScan)->Unit(benchmark::kMicrosecond);

void BM_LibreTrace(benchmark::State& state) {
    const std::string text = Reply(true);
    for (auto _ : state) {
        const auto t0 = TBenchClock::now();
        benchmark::DoNotOptimize(ParseLibreTrace(text, kPoints));
        Record("analyser/libre", t0);
    }
}
BENCHMARK(BM_LibreTrace)->Unit(benchmark::kMicrosecond);

void Summary() {
    std::printf("Pentarix analyser replies (medians, %d points, this run)\n", kPoints);
    const double nano = Median("analyser/nano"), libre = Median("analyser/libre");
    Line("NanoVNA scan reply parsed", Ms(nano), Verdict(nano, 0.005, "<= 5 ms"));
    Line("LibreVNA trace parsed", Ms(libre), Verdict(libre, 0.005, "<= 5 ms"));
}

} // namespace

int main(int argc, char** argv) {
    return RunBenchmarks(argc, argv, Summary);
}
