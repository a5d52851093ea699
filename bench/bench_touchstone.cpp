// Touchstone reading: a 100,001-point .s1p as an analyser writes it, parsed
// from memory and read from a file in the page cache.
#include "benchsupport.h"
#include "touchstone.h"

#include <benchmark/benchmark.h>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

constexpr int kPoints = 100001;

// 1 to 30 MHz, a resonant dipole's reflection in MA with the usual digits.
const std::string& SweepText() {
    static const std::string text = [] {
        std::string s = "! bench sweep\n# MHz S MA R 50\n";
        char line[96];
        for (int i = 0; i < kPoints; ++i) {
            const double f = 1 + 29.0 * i / (kPoints - 1);
            const double magnitude = 0.2 + 0.7 * std::abs(std::sin(f / 3));
            const double angle = 170 * std::cos(f / 2);
            std::snprintf(line, sizeof line, "%.6f %.9f %.6f\n", f, magnitude, angle);
            s += line;
        }
        return s;
    }();
    return text;
}

const std::string& SweepFile() {
    static const std::string path = [] {
        const auto p = std::filesystem::temp_directory_path() /
                       ("pentarix-bench-" + std::to_string(getpid()) + ".s1p");
        std::ofstream(p, std::ios::binary) << SweepText();
        return p.string();
    }();
    return path;
}

void BM_ParseTouchstone(benchmark::State& state) {
    const std::string& text = SweepText();
    for (auto _ : state) {
        const auto t0 = TBenchClock::now();
        benchmark::DoNotOptimize(ParseTouchstone(text, 1));
        Record("touchstone/parse", t0);
    }
}
BENCHMARK(BM_ParseTouchstone)->Unit(benchmark::kMillisecond);

void BM_ReadTouchstoneFile(benchmark::State& state) {
    const std::string& path = SweepFile();
    for (auto _ : state) {
        const auto t0 = TBenchClock::now();
        benchmark::DoNotOptimize(ReadTouchstoneFile(path));
        Record("touchstone/file", t0);
    }
}
BENCHMARK(BM_ReadTouchstoneFile)->Unit(benchmark::kMillisecond);

void Summary() {
    std::printf("Pentarix Touchstone reading (medians, %d points, %.1f MB, this run)\n", kPoints,
                SweepText().size() / 1e6);
    const double parse = Median("touchstone/parse"), file = Median("touchstone/file");
    Line("ParseTouchstone from memory", Ms(parse), Verdict(parse, 0.15, "<= 150 ms"));
    Line("ReadTouchstoneFile (page cache)", Ms(file), Verdict(file, 0.15, "<= 150 ms"));
}

} // namespace

int main(int argc, char** argv) {
    const int result = RunBenchmarks(argc, argv, Summary);
    if (SampleCount("touchstone/file") > 0) std::filesystem::remove(SweepFile());
    return result;
}
