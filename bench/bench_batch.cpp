// pentarix-match --batch as a script runs it: one process over a file of
// loads, its wall time at 10,000 loads and its peak memory at 10,000 against
// 1,000,000 (the output goes to /dev/null: the figure is the program's); and
// --touchstone's peak memory over a measurement of a million points. The
// memory runs go through rssprobe, so that this process's size stays out.
#include "benchsupport.h"

#include <benchmark/benchmark.h>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

constexpr int kLoads = 10000, kManyLoads = 1000000;
std::vector<std::string> gWritten; // removed at the end

// Loads over the HF and 6 m bands, R 5 to 500 ohm, X -400 to 400 ohm, in
// the digits a measurement gives; the same file every run.
std::string WriteLoads(int count) {
    const auto path =
        std::filesystem::temp_directory_path() /
        ("pentarix-bench-" + std::to_string(getpid()) + "-" + std::to_string(count) + ".txt");
    FILE* f = std::fopen(path.c_str(), "w");
    if (!f) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        std::exit(1);
    }
    for (int i = 0; i < count; ++i) {
        const double u = (i * 0.6180339887498949) - std::floor(i * 0.6180339887498949);
        std::fprintf(f, "%.4f %.3f %.3f\n", 1.8 + 52.2 * u, 5 + 495 * std::fabs(std::sin(i * 0.7)),
                     400 * std::cos(i * 1.3));
    }
    std::fclose(f);
    gWritten.push_back(path.string());
    return path.string();
}

// A dipole-like sweep of a million points, 1 to 30 MHz, S11 as analysers write it.
const std::string& MillionPointFile() {
    static const std::string path = [] {
        const auto file = std::filesystem::temp_directory_path() /
                          ("pentarix-bench-" + std::to_string(getpid()) + "-1M.s1p");
        FILE* f = std::fopen(file.c_str(), "w");
        if (!f) {
            std::fprintf(stderr, "cannot write %s\n", file.c_str());
            std::exit(1);
        }
        std::fprintf(f, "# MHz S RI R 50\n");
        for (int i = 0; i < kManyLoads; ++i) {
            const double fMHz = 1 + 29.0 * i / (kManyLoads - 1);
            std::fprintf(f, "%.6f %.6f %.6f\n", fMHz, 0.6 * std::cos(fMHz), 0.6 * std::sin(fMHz));
        }
        std::fclose(f);
        gWritten.push_back(file.string());
        return file.string();
    }();
    return path;
}

const std::string& Loads(int count) {
    if (count == kLoads) {
        static const std::string few = WriteLoads(kLoads);
        return few;
    }
    static const std::string many = WriteLoads(kManyLoads);
    return many;
}

const std::string& ProbeOutput() {
    static const std::string path = (std::filesystem::temp_directory_path() /
                                     ("pentarix-bench-" + std::to_string(getpid()) + ".rss"))
                                        .string();
    return path;
}

struct TChildRun {
    double Seconds = 0;
    long PeakKiB = 0; // with the probe only
};

// One run of the program with these options; exits with a message on any failure.
TChildRun RunMatch(std::vector<std::string> args, bool json, bool probe) {
    args.insert(args.begin(), PENTARIX_MATCH);
    if (json) args.push_back("--json");
    if (probe) args.insert(args.begin(), {RSSPROBE, ProbeOutput()});
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    const auto t0 = TBenchClock::now();
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
        std::fprintf(stderr, "cannot start %s\n", argv[0]);
        std::exit(1);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    const double seconds = std::chrono::duration<double>(TBenchClock::now() - t0).count();
    posix_spawn_file_actions_destroy(&actions);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "pentarix-match %s ended with status %d\n", args[1].c_str(), status);
        std::exit(1);
    }
    if (!probe) return {seconds, 0};
    FILE* f = std::fopen(ProbeOutput().c_str(), "r");
    long kib = 0;
    if (!f || std::fscanf(f, "%ld", &kib) != 1) {
        std::fprintf(stderr, "rssprobe gave no figure\n");
        std::exit(1);
    }
    std::fclose(f);
    std::filesystem::remove(ProbeOutput());
    return {seconds, kib};
}

TChildRun RunBatch(const std::string& loads, bool json, bool probe = false) {
    return RunMatch({"--batch", loads}, json, probe);
}

long gPeakKiB[2][2];       // [json][many]
long gTouchstoneKiB[2];    // [json]

// The ten thousand loads: once through the probe for the memory, which also
// warms the page cache, then the timed runs straight.
void MeasureFew(benchmark::State& state, bool json, const char* name) {
    gPeakKiB[json][0] = RunBatch(Loads(kLoads), json, true).PeakKiB;
    for (auto _ : state)
        RecordSeconds(name, RunBatch(Loads(kLoads), json).Seconds);
}

// A million loads take seconds: one run, through the probe, whose own start
// is lost in them.
void MeasureMany(benchmark::State& state, bool json, const char* name) {
    for (auto _ : state) {
        const TChildRun run = RunBatch(Loads(kManyLoads), json, true);
        RecordSeconds(name, run.Seconds);
        gPeakKiB[json][1] = run.PeakKiB;
    }
}

void BM_Batch10kTable(benchmark::State& state) {
    MeasureFew(state, false, "batch/table");
}
BENCHMARK(BM_Batch10kTable)->Iterations(15)->Unit(benchmark::kMillisecond);

void BM_Batch10kJson(benchmark::State& state) {
    MeasureFew(state, true, "batch/json");
}
BENCHMARK(BM_Batch10kJson)->Iterations(15)->Unit(benchmark::kMillisecond);

void BM_Batch1MTable(benchmark::State& state) {
    MeasureMany(state, false, "batch/table-1M");
}
BENCHMARK(BM_Batch1MTable)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_Batch1MJson(benchmark::State& state) {
    MeasureMany(state, true, "batch/json-1M");
}
BENCHMARK(BM_Batch1MJson)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_Touchstone1M(benchmark::State& state) {
    for (auto _ : state)
        for (const bool json : {false, true}) {
            const TChildRun run = RunMatch({"--touchstone", MillionPointFile()}, json, true);
            RecordSeconds(json ? "touchstone/json-1M" : "touchstone/table-1M", run.Seconds);
            gTouchstoneKiB[json] = run.PeakKiB;
        }
}
BENCHMARK(BM_Touchstone1M)->Iterations(1)->Unit(benchmark::kMillisecond);

std::string KiB(long kib) {
    return kib > 0 ? std::to_string(kib) + " KiB" : "not run";
}

// Peak memory at a million loads over that at ten thousand: flat is about 1.
void MemoryLine(const char* label, bool json) {
    const long few = gPeakKiB[json][0], many = gPeakKiB[json][1];
    Line(std::string(label) + " peak RSS, 10,000 loads", KiB(few));
    Line(std::string(label) + " peak RSS, 1,000,000 loads", KiB(many));
    if (few <= 0 || many <= 0) return;
    char ratio[32];
    std::snprintf(ratio, sizeof ratio, "%.2f", double(many) / double(few));
    Line(std::string(label) + " ratio", ratio, Verdict(double(many) / few, 1.2, "flat, <= 1.2"));
}

void Summary() {
    std::printf("pentarix-match --batch (medians of 15 runs as one process, this run)\n");
    const double table = Median("batch/table"), json = Median("batch/json");
    Line("10,000 loads, table", Ms(table), Verdict(table, 0.1, "<= 100 ms"));
    Line("10,000 loads, JSON lines", Ms(json), Verdict(json, 0.1, "<= 100 ms"));
    Line("1,000,000 loads, table (one run)", Ms(Median("batch/table-1M")));
    Line("1,000,000 loads, JSON lines (one run)", Ms(Median("batch/json-1M")));
    MemoryLine("table", false);
    MemoryLine("JSON lines", true);
    std::printf("pentarix-match --touchstone, a measurement of 1,000,000 points (one run)\n");
    for (const bool json : {false, true}) {
        const std::string what = json ? "JSON" : "table";
        Line(what + ", time", Ms(Median(json ? "touchstone/json-1M" : "touchstone/table-1M")));
        const long kib = gTouchstoneKiB[json];
        Line(what + ", peak RSS", KiB(kib), kib > 0 ? Verdict(kib / 1024.0, 32, "<= 32 MiB") : "");
    }
}

} // namespace

int main(int argc, char** argv) {
    const int result = RunBenchmarks(argc, argv, Summary);
    for (const std::string& path : gWritten)
        std::filesystem::remove(path);
    return result;
}
