#pragma once
// Shared by the benchmark programs: per-operation samples, medians, the
// memcpy floor, and the summary printed after Google Benchmark's own table.

#include <chrono>
#include <cstddef>
#include <string>
#include <vector>

using TBenchClock = std::chrono::steady_clock;

// Every timed operation is also kept as one sample, so that the summary can
// give true medians of single operations whatever the iteration counts were.
void Record(const std::string& name, TBenchClock::time_point start);
void RecordSeconds(const std::string& name, double seconds);
// Median in seconds; 0 when nothing was recorded under the name.
double Median(const std::string& name);
std::size_t SampleCount(const std::string& name);

// Bytes of one frame at the design size: 823 x 710 pixels of 4 bytes.
constexpr int kDesignW = 823, kDesignH = 710, kDesignCx = 411, kDesignCy = 356, kDesignR = 330;
constexpr std::size_t kFrameBytes = std::size_t(kDesignW) * kDesignH * 4;

// memcpy of `frames` whole frames (up to five different sources) into one
// destination, the same buffers every call as a presentation reuses its
// layers; registered as a benchmark in each program that compares against it.
void MemcpyFrames(int frames);

// Before QApplication: offscreen unless told otherwise, a private runtime
// folder when there is none (children inherit it), and the offscreen
// platform's notes about raise() kept out of the figures.
// The offscreen platform on a desktop-sized screen.
const char* OffscreenDesktop();
void PrepareQtEnvironment();

// The process's resident memory now and at its peak, in bytes (Linux; 0
// where it cannot be read). Resetting the peak lets a figure give what one
// operation added at its worst rather than what the run ever held.
std::size_t ResidentBytes();
std::size_t PeakResidentBytes();
void ResetPeakResident();
std::string Mb(double bytes);

// Runs the registered benchmarks, then calls `summary` to print the figures.
int RunBenchmarks(int argc, char** argv, void (*summary)());

// "  label ........ 1.234 ms" and friends, for the summaries.
std::string Ms(double seconds);
std::string Us(double seconds);
// "(target <= 2 ms: met)" or "... MISSED"; empty when the figure was not run.
std::string Verdict(double value, double limit, const std::string& target);
void Line(const std::string& label, const std::string& value, const std::string& note = {});
