// The tuner frame in the main window, shown offscreen: one matching click
// and the default LC-PSV sweep, every addition presented to the paint box.
#include "SmithTest.h"
#include "benchsupport.h"
#include "fData.h"
#include "smithchart.h"
#include "vSmith.h"

#include <QApplication>
#include <QTest>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <memory>
#include <random>

namespace {

TForm1& Window() {
    static TForm1* form = [] {
        auto* f = new TForm1;
        f->show();
        if (!QTest::qWaitForWindowExposed(f)) std::fprintf(stderr, "window not exposed\n");
        QApplication::processEvents();
        return f;
    }();
    return *form;
}

TvSmithChart& Frame() {
    return *Window().FTunerFrame;
}

// An empty chart whose layers hold just what the empty lists draw.
void Empty(TSmithChart& chart) {
    chart.ClearMarkers();
    chart.ClearArcs();
    chart.RedrawMarkers();
    chart.Present();
}

void CloseDataWindows() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (qobject_cast<TfrmData*>(w) && w->isVisible()) w->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QApplication::processEvents();
}

QPoint RandomPixelInDisc(std::mt19937& random) {
    std::uniform_int_distribution<int> d(-320, 320);
    for (;;) {
        const int dx = d(random), dy = d(random);
        if (dx * dx + dy * dy < 320 * 320) return {kDesignCx + dx, kDesignCy + dy};
    }
}

// ---------------------------------------------------------------- floors

void BM_MemcpyOneFrame(benchmark::State& state) {
    for (auto _ : state) {
        const auto t0 = TBenchClock::now();
        MemcpyFrames(1);
        Record("memcpy/1", t0);
    }
}
BENCHMARK(BM_MemcpyOneFrame)->Unit(benchmark::kMicrosecond);

// The same chart work as a click (reading, solving, both markers and the
// arc) on a chart without target, widgets or presentation.
void BM_ClickChartOnly(benchmark::State& state) {
    TSmithChart chart(kDesignCx, kDesignCy, kDesignR, nullptr);
    chart.SetSize(kDesignW, kDesignH);
    std::mt19937 random(7);
    for (auto _ : state) {
        state.PauseTiming();
        Empty(chart);
        const QPoint p = RandomPixelInDisc(random);
        state.ResumeTiming();
        const auto t0 = TBenchClock::now();
        TReading load;
        if (chart.ReadPointer(p.x(), p.y(), false, load)) {
            TMatch match;
            chart.SolveMatch(load.Theta, load.Swr, match);
            chart.AddPolarMarker(0, match.MatchAngle, match.MatchSwr);
        }
        Record("click/chart-only", t0);
    }
}
BENCHMARK(BM_ClickChartOnly)->Unit(benchmark::kMicrosecond);

// ---------------------------------------------------------------- click

void BM_ClickEmptyChart(benchmark::State& state) {
    TvSmithChart& frame = Frame();
    std::mt19937 random(7);
    for (auto _ : state) {
        state.PauseTiming();
        Empty(*frame.Chart());
        QApplication::processEvents();
        const QPoint p = RandomPixelInDisc(random);
        state.ResumeTiming();
        const auto t0 = TBenchClock::now();
        frame.SolveAtPixel(p.x(), p.y());
        Record("click/empty", t0);
    }
    QApplication::processEvents();
}
BENCHMARK(BM_ClickEmptyChart)->Unit(benchmark::kMicrosecond);

// Kept between 1,000 and 1,100 annotations: refilled when it has grown past.
void BM_ClickThousandAnnotations(benchmark::State& state) {
    TvSmithChart& frame = Frame();
    TSmithChart& chart = *frame.Chart();
    std::mt19937 random(8);
    auto held = [&] { return int(chart.Markers().size() + chart.Arcs().size()); };
    for (auto _ : state) {
        state.PauseTiming();
        if (held() < 1000 || held() > 1100) {
            Empty(chart);
            while (held() < 1000) {
                const QPoint p = RandomPixelInDisc(random);
                frame.SolveAtPixel(p.x(), p.y());
            }
        }
        QApplication::processEvents();
        const QPoint p = RandomPixelInDisc(random);
        state.ResumeTiming();
        const auto t0 = TBenchClock::now();
        frame.SolveAtPixel(p.x(), p.y());
        Record("click/1000", t0);
    }
    Empty(chart);
    QApplication::processEvents();
}
BENCHMARK(BM_ClickThousandAnnotations)->Unit(benchmark::kMicrosecond);

// ---------------------------------------------------------------- sweep

// The default sweep on an empty chart: 7 MHz, SWR 4.2, 80 points, each one a
// click's worth of additions, each presented. Timed twice: until the call
// returns, and until the events it left (the table's painting) are handled.
void BM_DefaultSweep(benchmark::State& state) {
    TvSmithChart& frame = Frame();
    frame.edFR->setText(QStringLiteral("7"));
    frame.edPSV->setText(QStringLiteral("4.2"));
    for (auto _ : state) {
        state.PauseTiming();
        Empty(*frame.Chart());
        CloseDataWindows();
        const int before = frame.pbSmith->PresentCount();
        state.ResumeTiming();
        const auto t0 = TBenchClock::now();
        frame.WriteLcPsvPoints(4.2);
        Record("sweep/returned", t0);
        QApplication::processEvents();
        Record("sweep/settled", t0);
        state.PauseTiming();
        state.counters["presents"] = frame.pbSmith->PresentCount() - before;
        state.counters["annotations"] =
            double(frame.Chart()->Markers().size() + frame.Chart()->Arcs().size());
        state.ResumeTiming();
    }
    CloseDataWindows();
}
BENCHMARK(BM_DefaultSweep)->Iterations(15)->Unit(benchmark::kMillisecond);

// The same 80 points' chart work, with no target, window or table.
void BM_SweepChartOnly(benchmark::State& state) {
    TSmithChart chart(kDesignCx, kDesignCy, kDesignR, nullptr);
    chart.SetSize(kDesignW, kDesignH);
    const int angles[] = {0,   10,  20,   30,   40,   50,   60,   70,   80,   90,   100, 110, 120,
                          130, 140, 150,  160,  170,  180,  -10,  -20,  -30,  -40,  -50, -60, -70,
                          -80, -90, -100, -110, -120, -130, -140, -150, -160, -170, -180};
    for (auto _ : state) {
        state.PauseTiming();
        Empty(chart);
        state.ResumeTiming();
        const auto t0 = TBenchClock::now();
        // The sweep's 37 angles and 43 more where its refinements fall: 80 points.
        for (int i = 0; i < 80; ++i) {
            const int a = i < 37 ? angles[i] : (i - 37) * 2 - 40;
            const TPointD p = chart.PolarToPixel(a, 4.2);
            TReading load;
            if (!chart.ReadPointer(RoundPixel(p.X), RoundPixel(p.Y), false, load)) continue;
            TMatch match;
            chart.SolveMatch(load.Theta, load.Swr, match);
            chart.AddPolarMarker(0, match.MatchAngle, match.MatchSwr);
        }
        Record("sweep/chart-only", t0);
    }
}
BENCHMARK(BM_SweepChartOnly)->Iterations(15)->Unit(benchmark::kMillisecond);

// ---------------------------------------------------------------- summary

void Summary() {
    std::printf("Pentarix frame figures (medians of single operations, TForm1 shown offscreen, "
                "this run)\n");
    Line("floor: memcpy of one 823 x 710 frame", Us(Median("memcpy/1")));
    Line("floor: click's chart work alone, null target", Ms(Median("click/chart-only")));
    const double empty = Median("click/empty"), full = Median("click/1000");
    Line("One click, SolveAtPixel, empty chart", Ms(empty), Verdict(empty, 5e-3, "<= 5 ms"));
    Line("One click, SolveAtPixel, 1,000 annotations", Ms(full));
    Line("floor: the sweep's chart work alone, null target", Ms(Median("sweep/chart-only")));
    const double sweep = Median("sweep/returned"), settled = Median("sweep/settled");
    Line("Default sweep, WriteLcPsvPoints returned", Ms(sweep), Verdict(sweep, 0.5, "<= 500 ms"));
    Line("Default sweep, and its pending events handled", Ms(settled),
         Verdict(settled, 0.5, "<= 500 ms"));
}

} // namespace

int main(int argc, char** argv) {
    PrepareQtEnvironment();
    QApplication app(argc, argv);
    return RunBenchmarks(argc, argv, Summary);
}
