#include "benchsupport.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <unistd.h>

namespace {

std::map<std::string, std::vector<double>>& Samples() {
    static std::map<std::string, std::vector<double>> samples;
    return samples;
}

// Five source frames and one destination, the same ones every time: the
// working set of a presentation (four layers and the composite in, one
// picture out), so that a floor meets the caches as the figure it judges does.
struct TFrameBuffers {
    std::vector<std::unique_ptr<unsigned char[]>> From;
    std::unique_ptr<unsigned char[]> To;
    TFrameBuffers() : To(new unsigned char[kFrameBytes]) {
        for (int i = 0; i < 5; ++i) {
            From.emplace_back(new unsigned char[kFrameBytes]);
            std::memset(From.back().get(), 0x5A + i, kFrameBytes);
        }
        std::memset(To.get(), 0, kFrameBytes);
    }
};

} // namespace

void RecordSeconds(const std::string& name, double seconds) {
    Samples()[name].push_back(seconds);
}

void Record(const std::string& name, TBenchClock::time_point start) {
    RecordSeconds(name, std::chrono::duration<double>(TBenchClock::now() - start).count());
}

double Median(const std::string& name) {
    auto it = Samples().find(name);
    if (it == Samples().end() || it->second.empty()) return 0.0;
    std::vector<double> v = it->second;
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

std::size_t SampleCount(const std::string& name) {
    auto it = Samples().find(name);
    return it == Samples().end() ? 0 : it->second.size();
}

void MemcpyFrames(int frames) {
    static TFrameBuffers buffers;
    for (int i = 0; i < frames; ++i) {
        std::memcpy(buffers.To.get(), buffers.From[std::size_t(i % 5)].get(), kFrameBytes);
        benchmark::DoNotOptimize(buffers.To.get());
    }
    benchmark::ClobberMemory();
}

namespace {
std::string gRuntimeDir;
QtMessageHandler gPreviousHandler = nullptr;

void QuietHandler(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (message.contains(QLatin1String("does not support raise()"))) return;
    if (gPreviousHandler) gPreviousHandler(type, context, message);
}
} // namespace

const char* OffscreenDesktop() {
    return "offscreen:configfile=" PENTARIX_DESKTOP_SCREEN;
}

void PrepareQtEnvironment() {
    // A desktop-sized screen: the default offscreen one is smaller than the window.
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    if (platform.isEmpty() || platform == "offscreen")
        qputenv("QT_QPA_PLATFORM", OffscreenDesktop());
    if (!qEnvironmentVariableIsSet("XDG_RUNTIME_DIR")) {
        char pattern[] = "/tmp/pentarix-bench-XXXXXX"; // mkdtemp makes it 0700
        if (mkdtemp(pattern)) {
            gRuntimeDir = pattern;
            qputenv("XDG_RUNTIME_DIR", pattern);
            std::atexit([] { rmdir(gRuntimeDir.c_str()); });
        }
    }
    gPreviousHandler = qInstallMessageHandler(QuietHandler);
}

int RunBenchmarks(int argc, char** argv, void (*summary)()) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::printf("\n");
    summary();
    std::fflush(stdout);
    return 0;
}

std::string Ms(double seconds) {
    if (seconds <= 0) return "not run"; // filtered out of this run
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.3f ms", seconds * 1e3);
    return buf;
}

std::string Us(double seconds) {
    if (seconds <= 0) return "not run";
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.1f us", seconds * 1e6);
    return buf;
}

void Line(const std::string& label, const std::string& value, const std::string& note) {
    std::printf("  %-52s %14s  %s\n", label.c_str(), value.c_str(), note.c_str());
}

std::string Verdict(double value, double limit, const std::string& target) {
    if (value <= 0 || value != value) return {};
    return "(target " + target + (value <= limit ? ": met)" : ": MISSED)");
}

namespace {
// A "Name:   1234 kB" line of /proc/self/status.
std::size_t StatusBytes(const std::string& key) {
    std::ifstream status("/proc/self/status");
    std::string name;
    while (status >> name) {
        if (name == key) {
            std::size_t kb = 0;
            status >> kb;
            return kb * 1024;
        }
        status.ignore(4096, '\n');
    }
    return 0;
}
} // namespace

std::size_t ResidentBytes() {
    return StatusBytes("VmRSS:");
}

std::size_t PeakResidentBytes() {
    return StatusBytes("VmHWM:");
}

void ResetPeakResident() {
    // "5" resets VmHWM to the present resident size (Linux 4.0 and later).
    std::ofstream("/proc/self/clear_refs") << "5";
}

std::string Mb(double bytes) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.1f MB", bytes / 1e6);
    return buf;
}
