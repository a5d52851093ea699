// The chart engine at the design size: presenting, the pointer readout and
// the cost of one more annotation as the chart fills up.
#include "benchsupport.h"
#include "feedline.h"
#include "paintbox.h"
#include "smithchart.h"

#include <QApplication>
#include <QTest>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstring>
#include <memory>
#include <random>

namespace {

// Keeps what it is given, as a widget's picture does, without a widget.
class TCopyTarget : public TDrawTarget {
public:
    explicit TCopyTarget(int scale = 1) : FScale(scale) {}
    void CopyRect(const TRect& rect, const TLayer& source) override {
        const QImage& src = source.Image();
        if (FPicture.size() != src.size()) FPicture = QImage(src.size(), QImage::Format_RGB32);
        const TRect d = ScaleRect(rect, source.Scale());
        const QRect r = QRect(d.Left, d.Top, d.Width(), d.Height()) & src.rect();
        for (int y = r.top(); y <= r.bottom(); ++y)
            std::memcpy(reinterpret_cast<QRgb*>(FPicture.scanLine(y)) + r.left(),
                        reinterpret_cast<const QRgb*>(src.constScanLine(y)) + r.left(),
                        size_t(r.width()) * sizeof(QRgb));
    }

    int DeviceScale() const override { return FScale; }

private:
    int FScale;
    QImage FPicture;
};

// Something on every layer, as after some use.
void Populate(TSmithChart& chart, int clicks, unsigned seed) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> angle(-180, 180), swr(1.5, 10);
    for (int i = 0; i < clicks; ++i) {
        TMatch match;
        chart.SolveMatch(angle(random), swr(random), match);
        chart.AddPolarMarker(0, match.MatchAngle, match.MatchSwr);
    }
    chart.AddImpedanceMarker(true, 0, 0, 0, 50, 4.2);
    TReading reading;
    chart.ReadPointer(kDesignCx + 50, kDesignCy - 70, true, reading);
}

TPaintBox& ShownPaintBox() {
    static TPaintBox* box = [] {
        auto* b = new TPaintBox;
        b->resize(kDesignW, kDesignH);
        b->show();
        if (!QTest::qWaitForWindowExposed(b)) std::fprintf(stderr, "paint box not exposed\n");
        return b;
    }();
    return *box;
}

// ---------------------------------------------------------------- floors

void BM_MemcpyOneFrame(benchmark::State& state) {
    for (auto _ : state) {
        const auto t0 = TBenchClock::now();
        MemcpyFrames(1);
        Record("memcpy/1", t0);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kFrameBytes));
}
BENCHMARK(BM_MemcpyOneFrame)->Unit(benchmark::kMicrosecond);

void BM_MemcpyFiveFrames(benchmark::State& state) {
    for (auto _ : state) {
        const auto t0 = TBenchClock::now();
        MemcpyFrames(5);
        Record("memcpy/5", t0);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * 5 * int64_t(kFrameBytes));
}
BENCHMARK(BM_MemcpyFiveFrames)->Unit(benchmark::kMicrosecond);

// ---------------------------------------------------------------- Present

// Present of the whole layer rectangle always composes all of it.
void PresentLoop(benchmark::State& state, TSmithChart& chart, const char* name) {
    const TRect all = chart.GetLayerRect();
    for (auto _ : state) {
        const auto t0 = TBenchClock::now();
        chart.Present(all);
        Record(name, t0);
    }
}

void BM_PresentNullTarget(benchmark::State& state) {
    TSmithChart chart(kDesignCx, kDesignCy, kDesignR, nullptr);
    chart.SetSize(kDesignW, kDesignH);
    Populate(chart, 30, 1);
    PresentLoop(state, chart, "present/null");
}
BENCHMARK(BM_PresentNullTarget)->Unit(benchmark::kMicrosecond);

void BM_PresentCopyTarget(benchmark::State& state) {
    TCopyTarget target;
    TSmithChart chart(kDesignCx, kDesignCy, kDesignR, &target);
    chart.SetSize(kDesignW, kDesignH);
    Populate(chart, 30, 1);
    PresentLoop(state, chart, "present/copy");
}
BENCHMARK(BM_PresentCopyTarget)->Unit(benchmark::kMicrosecond);

// The same on a screen of device pixel ratio 2: four times the pixels.
void BM_PresentCopyTargetScale2(benchmark::State& state) {
    TCopyTarget target(2);
    TSmithChart chart(kDesignCx, kDesignCy, kDesignR, &target);
    chart.SetSize(kDesignW, kDesignH);
    Populate(chart, 30, 1);
    PresentLoop(state, chart, "present/copy-scale2");
}
BENCHMARK(BM_PresentCopyTargetScale2)->Unit(benchmark::kMicrosecond);

void BM_PresentPaintBox(benchmark::State& state) {
    TPaintBox& box = ShownPaintBox();
    TSmithChart chart(kDesignCx, kDesignCy, kDesignR, &box);
    chart.SetSize(kDesignW, kDesignH);
    Populate(chart, 30, 1);
    PresentLoop(state, chart, "present/paintbox");
    QApplication::processEvents();
}
BENCHMARK(BM_PresentPaintBox)->Unit(benchmark::kMicrosecond);

// Present() with nothing changed since the last one (a paint event's case):
// no composing, only the copy to the widget and its repaint.
void BM_PresentUnchangedPaintBox(benchmark::State& state) {
    TPaintBox& box = ShownPaintBox();
    TSmithChart chart(kDesignCx, kDesignCy, kDesignR, &box);
    chart.SetSize(kDesignW, kDesignH);
    Populate(chart, 30, 1);
    for (auto _ : state) {
        const auto t0 = TBenchClock::now();
        chart.Present();
        Record("present/unchanged-paintbox", t0);
    }
    QApplication::processEvents();
}
BENCHMARK(BM_PresentUnchangedPaintBox)->Unit(benchmark::kMicrosecond);

// ---------------------------------------------------------------- pointer

void PointerLoop(benchmark::State& state, TDrawTarget* target, const char* name) {
    TSmithChart chart(kDesignCx, kDesignCy, kDesignR, target);
    chart.SetSize(kDesignW, kDesignH);
    Populate(chart, 30, 2);
    std::mt19937 random(3);
    std::uniform_int_distribution<int> dx(-300, 300), dy(-300, 300);
    for (auto _ : state) {
        const int x = kDesignCx + dx(random), y = kDesignCy + dy(random);
        TReading reading;
        const auto t0 = TBenchClock::now();
        chart.ReadPointer(x, y, true, reading);
        Record(name, t0);
    }
    QApplication::processEvents();
}

void BM_PointerMoveNullTarget(benchmark::State& state) {
    PointerLoop(state, nullptr, "pointer/null");
}
BENCHMARK(BM_PointerMoveNullTarget)->Unit(benchmark::kMicrosecond);

void BM_PointerMovePaintBox(benchmark::State& state) {
    PointerLoop(state, &ShownPaintBox(), "pointer/paintbox");
}
BENCHMARK(BM_PointerMovePaintBox)->Unit(benchmark::kMicrosecond);

// ---------------------------------------------------------------- growth

// A chart holding exactly `count` annotations (markers, arcs, one SWR circle),
// laid down as clicks lay them down.
void Fill(TSmithChart& chart, int count, unsigned seed) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> angle(-180, 180), swr(1.5, 10);
    auto held = [&] { return int(chart.Markers().size() + chart.Arcs().size()); };
    chart.AddImpedanceMarker(true, 0, 0, 0, 50, 4.2);
    while (held() + 3 <= count) {
        TMatch match;
        chart.SolveMatch(angle(random), swr(random), match);
        chart.AddPolarMarker(0, match.MatchAngle, match.MatchSwr);
    }
    while (held() < count)
        chart.AddPolarMarker(clBlue, angle(random), swr(random));
}

// Each sample: a fresh chart of `count` annotations (not timed), then one
// more marker or arc (timed). The added ones follow the same random sequence
// whatever the count, so the counts compare like with like.
void BM_Growth(benchmark::State& state) {
    const int count = int(state.range(0));
    const bool arc = state.range(1) != 0;
    const std::string name =
        std::string(arc ? "growth/arc/" : "growth/marker/") + std::to_string(count);
    std::mt19937 random(11);
    std::uniform_real_distribution<double> angle(-180, 180), swr(1.2, 12), k(0.55, 3);
    int sample = 0;
    for (auto _ : state) {
        state.PauseTiming();
        TCopyTarget target;
        TSmithChart chart(kDesignCx, kDesignCy, kDesignR, &target);
        chart.SetSize(kDesignW, kDesignH);
        Fill(chart, count, 100 + unsigned(sample++));
        const double a = angle(random), s = swr(random), r = k(random);
        const double a2 = angle(random), s2 = swr(random);
        state.ResumeTiming();
        const auto t0 = TBenchClock::now();
        if (arc)
            chart.AddArc(r - 1.0, 0.0, r, a, s, a2, s2);
        else
            chart.AddPolarMarker(0, a, s);
        Record(name, t0);
    }
}
BENCHMARK(BM_Growth)
    ->ArgsProduct({{10, 100, 1000, 10000}, {0, 1}})
    ->Iterations(41)
    ->Unit(benchmark::kMicrosecond);

// ---------------------------------------------------------------- feed line

// The load's path along 30 m of RG-213 at 7.1 MHz drawn on the chart: the
// spiral goes on the grid layer, which is drawn again and presented with it.
void BM_FeedLineSpiral(benchmark::State& state) {
    TCopyTarget target;
    TSmithChart chart(kDesignCx, kDesignCy, kDesignR, &target);
    chart.SetSize(kDesignW, kDesignH);
    const std::vector<TLoad> path = LinePath(*FindLine("RG-213/U"), 7.1, 30.0, {25.0, -40.0});
    const std::vector<TImpedance> spiral(path.begin(), path.end());
    for (auto _ : state) {
        chart.ClearLinePath();
        const auto t0 = TBenchClock::now();
        chart.SetLinePath(spiral);
        Record("spiral", t0);
    }
}
BENCHMARK(BM_FeedLineSpiral)->Iterations(30)->Unit(benchmark::kMicrosecond);

// ---------------------------------------------------------------- history at 100,000

// A click's additions: the load's marker, its first move and the match marker.
void Click(TSmithChart& chart, std::mt19937& random) {
    std::uniform_real_distribution<double> angle(-180, 180), swr(1.2, 8);
    TMatch match;
    chart.SolveMatch(angle(random), swr(random), match);
    chart.AddPolarMarker(0, match.MatchAngle, match.MatchSwr);
}

// The window 20 pixels wider and back, each time on a chart of 100,000
// annotations whose last step is a click; then the first undo of that click.
void ResizeThenUndo(benchmark::State& state, int scale, const std::string& name) {
    TCopyTarget target(scale);
    TSmithChart chart(kDesignCx, kDesignCy, kDesignR, &target);
    chart.SetSize(kDesignW, kDesignH);
    Fill(chart, 100000, 21);
    std::mt19937 random(22);
    int wider = 20;
    for (auto _ : state) {
        const TSmithChart::TAnnotationCount before = chart.AnnotationCount();
        Click(chart, random);
        auto t0 = TBenchClock::now();
        chart.SetSize(kDesignW + wider, kDesignH);
        Record("resize/" + name, t0);
        wider = 20 - wider;
        t0 = TBenchClock::now();
        TSmithChart::TAnnotations taken = chart.TakeAnnotationsFrom(before);
        Record("undo after resize/" + name, t0);
    }
}

void BM_ResizeThenUndo100000(benchmark::State& state) {
    ResizeThenUndo(state, 1, "1");
}
BENCHMARK(BM_ResizeThenUndo100000)->Iterations(6)->Unit(benchmark::kMillisecond);

void BM_ResizeThenUndo100000Scale2(benchmark::State& state) {
    ResizeThenUndo(state, 2, "2");
}
BENCHMARK(BM_ResizeThenUndo100000Scale2)->Iterations(4)->Unit(benchmark::kMillisecond);

// Everything drawn again, as a change of device scale does (a window moved to
// another screen): the marker layer's maps made anew from the lists.
void BM_FullRedraw100000Scale2(benchmark::State& state) {
    TCopyTarget target(2);
    TSmithChart chart(kDesignCx, kDesignCy, kDesignR, &target);
    chart.SetSize(kDesignW, kDesignH);
    Fill(chart, 100000, 23);
    for (auto _ : state) {
        const auto t0 = TBenchClock::now();
        chart.RedrawMarkers();
        Record("full redraw/2", t0);
    }
}
BENCHMARK(BM_FullRedraw100000Scale2)->Iterations(4)->Unit(benchmark::kMillisecond);

// The history a session keeps: 100,000 annotations as one step, cleared; as
// many again, cleared too. Undoing the second clearing and the step before it
// leaves the first, older clearing to undo: that undo is timed, then
// everything is redone for the next sample.
void OlderClearUndo(benchmark::State& state, int scale, const std::string& name) {
    TCopyTarget target(scale);
    TSmithChart chart(kDesignCx, kDesignCy, kDesignR, &target);
    chart.SetSize(kDesignW, kDesignH);
    Fill(chart, 100000, 31);
    TSmithChart::TAnnotations first = chart.TakeAnnotationsFrom({0, 0});
    Fill(chart, 100000, 32);
    TSmithChart::TAnnotations secondStep;
    for (auto _ : state) {
        TSmithChart::TAnnotations second = chart.TakeAnnotationsFrom({0, 0}); // the clearing
        chart.RestoreAnnotations(std::move(second));                          // undone
        secondStep = chart.TakeAnnotationsFrom({0, 0}); // the step of 100,000 undone
        const auto t0 = TBenchClock::now();
        chart.RestoreAnnotations(std::move(first)); // the older clearing undone
        Record("undo older clear/" + name, t0);
        first = chart.TakeAnnotationsFrom({0, 0}); // redone: cleared again
        chart.RestoreAnnotations(std::move(secondStep));
    }
}

void BM_OlderClearUndo100000(benchmark::State& state) {
    OlderClearUndo(state, 1, "1");
}
BENCHMARK(BM_OlderClearUndo100000)->Iterations(10)->Unit(benchmark::kMillisecond);

void BM_OlderClearUndo100000Scale2(benchmark::State& state) {
    OlderClearUndo(state, 2, "2");
}
BENCHMARK(BM_OlderClearUndo100000Scale2)->Iterations(6)->Unit(benchmark::kMillisecond);

// ---------------------------------------------------------------- dense trace

// A dummy load swept with a noisy analyser: a million points within a few
// pixels of 50 ohms; the pointer moves about among them.
void BM_PointerOverDenseTrace(benchmark::State& state) {
    TCopyTarget target;
    TSmithChart chart(kDesignCx, kDesignCy, kDesignR, &target);
    chart.SetSize(kDesignW, kDesignH);
    std::mt19937 random(41);
    std::normal_distribution<double> noise(0.0, 0.6);
    std::vector<TSmithChart::TTracePoint> points(1000000);
    for (size_t i = 0; i < points.size(); ++i)
        points[i] = {1.0 + 29.0 * double(i) / double(points.size()),
                     50.0 + noise(random),
                     noise(random),
                     false,
                     0,
                     0};
    chart.SetTrace(points);
    std::uniform_int_distribution<int> d(-5, 5);
    for (auto _ : state) {
        const int x = kDesignCx + d(random), y = kDesignCy + d(random);
        TReading reading;
        const auto t0 = TBenchClock::now();
        chart.ReadPointer(x, y, true, reading);
        Record("pointer/dense trace", t0);
    }
}
BENCHMARK(BM_PointerOverDenseTrace)->Iterations(200)->Unit(benchmark::kMicrosecond);

// ---------------------------------------------------------------- summary

void Summary() {
    const double m1 = Median("memcpy/1"), m5 = Median("memcpy/5");
    std::printf("Pentarix chart figures (medians of single operations, 823 x 710 px, this run)\n");
    Line("floor: memcpy of one frame (2.34 MB)", Us(m1));
    Line("floor: memcpy of five frames (4 layers + composite)", Us(m5));
    auto present = [&](const char* label, const char* name) {
        const double t = Median(name);
        char note[160] = "";
        if (t > 0)
            std::snprintf(note, sizeof note, "= %.2f x one-frame memcpy, %.2f x five-frame memcpy ",
                          t / m1, t / m5);
        Line(label, Us(t), note + Verdict(t / m5, 2, "<= 2 x floor of five frames"));
    };
    const double spiral = Median("spiral");
    Line("Feed line's spiral drawn with the grid and presented", Ms(spiral),
         Verdict(spiral, 2e-3, "<= 2 ms"));
    present("Present, compose all, null target", "present/null");
    present("Present, compose all, copying target", "present/copy");
    Line("Present, compose all, copying target at device scale 2",
         Us(Median("present/copy-scale2")), "(four times the pixels of the floors)");
    present("Present, compose all, TPaintBox shown offscreen", "present/paintbox");
    present("Present, nothing changed, TPaintBox", "present/unchanged-paintbox");
    auto pointer = [&](const char* label, const char* name) {
        const double t = Median(name);
        Line(label, Ms(t), Verdict(t, 2e-3, "<= 2 ms"));
    };
    pointer("Pointer move (ReadPointer draw + Present), null", "pointer/null");
    pointer("Pointer move (ReadPointer draw + Present), TPaintBox", "pointer/paintbox");
    for (const char* scale : {"1", "2"}) {
        const std::string at = std::string(" (device scale ") + scale + ")";
        const double resize = Median(std::string("resize/") + scale);
        const double undo = Median(std::string("undo after resize/") + scale);
        const double older = Median(std::string("undo older clear/") + scale);
        Line("20-px resize, 100,000 annotations" + at, Ms(resize),
             Verdict(resize, 400e-3, "<= 400 ms"));
        Line("First undo after it" + at, Ms(undo), Verdict(undo, 5e-3, "<= 5 ms"));
        Line("Undo of an older clear of 100,000" + at, Ms(older),
             Verdict(older, 30e-3, "<= 30 ms"));
    }
    Line("Marker layer redrawn whole, 100,000 annotations (device scale 2)",
         Ms(Median("full redraw/2")), "(a change of scale)");
    const double dense = Median("pointer/dense trace");
    Line("Pointer move over a dense 1,000,000-point trace", Ms(dense),
         Verdict(dense, 1e-3, "<= 1 ms"));
    for (const char* kind : {"marker", "arc"}) {
        std::printf("  Growth: one more %s on a chart already holding N annotations\n", kind);
        for (int n : {10, 100, 1000, 10000})
            Line("    N = " + std::to_string(n),
                 Us(Median("growth/" + std::string(kind) + "/" + std::to_string(n))));
        const double ratio = Median("growth/" + std::string(kind) + "/10000") /
                             Median("growth/" + std::string(kind) + "/10");
        char value[32] = "not run";
        if (ratio == ratio && ratio > 0) std::snprintf(value, sizeof value, "%.2f", ratio);
        Line("    ratio N=10000 / N=10", value, Verdict(ratio, 3, "<= 3"));
    }
}

} // namespace

int main(int argc, char** argv) {
    PrepareQtEnvironment();
    QApplication app(argc, argv);
    return RunBenchmarks(argc, argv, Summary);
}
