// The tuner-design envelope: ten bands round one SWR circle, with losses and
// stress, as the window recomputes it on every confirmed input.
#include "benchsupport.h"
#include "envelope.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <string>

namespace {

void BM_Envelope(benchmark::State& state) {
    const double swr = double(state.range(0)) / 10.0;
    const std::string name = "envelope/" + std::to_string(state.range(0));
    for (auto _ : state) {
        const auto t0 = TBenchClock::now();
        const std::vector<TBandEnvelope> bands =
            Envelope(swr, DefaultEnvelopeBands(), 100.0, TQuality{200.0, 1000.0});
        const TBandEnvelope total = EnvelopeTotal(bands);
        benchmark::DoNotOptimize(total);
        Record(name, t0);
    }
}
// SWR 1.5, 4.2 and 50: the share of LC and CL points changes with the circle.
BENCHMARK(BM_Envelope)->Arg(15)->Arg(42)->Arg(500)->Unit(benchmark::kMillisecond);

void Summary() {
    std::printf("Pentarix envelope figures (medians, 10 bands x %d points, losses and stress)\n",
                EnvelopeAngles);
    for (const auto& [label, name] :
         {std::pair{"SWR 1.5", "envelope/15"}, std::pair{"SWR 4.2", "envelope/42"},
          std::pair{"SWR 50", "envelope/500"}}) {
        const double t = Median(name);
        Line(std::string("Envelope, ") + label, Ms(t), Verdict(t, 10e-3, "<= 10 ms"));
    }
}

} // namespace

int main(int argc, char** argv) {
    return RunBenchmarks(argc, argv, Summary);
}
