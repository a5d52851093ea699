// The session: a drag's preview step, undo on a crowded chart, saving the picture and the design.
#include "SmithTest.h"
#include "analyserreply.h"
#include "benchsupport.h"
#include "tunerwindow.h"
#include "vSmith.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCursor>
#include <QDir>
#include <QFile>
#include <QMouseEvent>
#include <QTest>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <functional>
#include <random>
#include <string>

namespace {

TvSmithChart& Frame() {
    static TForm1* form = [] {
        auto* f = new TForm1;
        f->show();
        if (!QTest::qWaitForWindowExposed(f)) std::fprintf(stderr, "window not exposed\n");
        return f;
    }();
    return *form->FTunerFrame;
}

void Send(QEvent::Type type, QPoint p, Qt::MouseButtons held) {
    QMouseEvent e(type, p, Frame().pbSmith->mapToGlobal(p), Qt::LeftButton, held, Qt::NoModifier);
    QApplication::sendEvent(Frame().pbSmith, &e);
}

// One pointer move while the left button is held: readout, network, preview.
void BM_DragPreviewStep(benchmark::State& state) {
    std::mt19937 random(3);
    std::uniform_int_distribution<int> d(150, 650);
    Send(QEvent::MouseButtonPress, {400, 300}, Qt::LeftButton);
    for (auto _ : state) {
        const QPoint p(d(random), d(random) - 50);
        const auto t0 = TBenchClock::now();
        Send(QEvent::MouseMove, p, Qt::LeftButton);
        Record("drag", t0);
    }
    QTest::keyClick(Frame().pbSmith, Qt::Key_Escape);
    Send(QEvent::MouseButtonRelease, {400, 300}, Qt::NoButton);
}
BENCHMARK(BM_DragPreviewStep);

// Undo of one click on a chart holding 10,000 annotations, and its redo.
void BM_UndoOnCrowdedChart(benchmark::State& state) {
    TvSmithChart& f = Frame();
    TSmithChart& chart = *f.Chart();
    std::mt19937 random(5);
    std::uniform_real_distribution<double> angle(-180, 180), swr(1.2, 8);
    while (chart.Markers().size() + chart.Arcs().size() < 10000) {
        TMatch m;
        chart.SolveMatch(angle(random), swr(random), m);
    }
    QTest::mouseClick(f.pbSmith, Qt::LeftButton, {}, {300, 300});
    for (auto _ : state) {
        const auto t0 = TBenchClock::now();
        f.Undo();
        Record("undo", t0);
        f.Redo();
    }
}
BENCHMARK(BM_UndoOnCrowdedChart)->Iterations(20);

// A click's additions as SolveReading lays them down: the load's marker, its
// first move and the match marker.
void ClickOnChart(TSmithChart& chart, std::mt19937& random) {
    std::uniform_real_distribution<double> angle(-180, 180), swr(1.2, 8);
    TMatch m;
    chart.SolveMatch(angle(random), swr(random), m);
    chart.AddPolarMarker(0, m.MatchAngle, m.MatchSwr);
}

size_t Held(const TSmithChart& chart) {
    return chart.Markers().size() + chart.Arcs().size();
}

// One more marker on the chart as it stands, timed; then taken off again
// untimed, so that every sample meets the same number of annotations.
void OneMoreMarker(TSmithChart& chart, std::mt19937& random, const std::string& name) {
    std::uniform_real_distribution<double> angle(-180, 180), swr(1.2, 8);
    for (int i = 0; i < 41; ++i) {
        const TSmithChart::TAnnotationCount before = chart.AnnotationCount();
        const double a = angle(random), s = swr(random);
        const auto t0 = TBenchClock::now();
        chart.AddPolarMarker(0, a, s);
        Record(name, t0);
        chart.TakeAnnotationsFrom(before);
    }
}

// The frame's chart filled click by click from empty to 100,000 annotations:
// each click timed, and one more marker at 100 and at 100,000.
void BM_FillTo100000(benchmark::State& state) {
    TvSmithChart& f = Frame();
    TSmithChart& chart = *f.Chart();
    for (auto _ : state) {
        f.ClearAnnotations();
        std::mt19937 random(7), markers(8);
        while (Held(chart) < 100000) {
            const size_t held = Held(chart);
            const auto t0 = TBenchClock::now();
            ClickOnChart(chart, random);
            if (held < 10000) Record("fill/first tenth", t0);
            if (held >= 90000) Record("fill/last tenth", t0);
            if (held < 100 && Held(chart) >= 100) OneMoreMarker(chart, markers, "marker/100");
        }
        OneMoreMarker(chart, markers, "marker/100000");
    }
}
BENCHMARK(BM_FillTo100000)->Iterations(1)->Unit(benchmark::kMillisecond);

// Undo and redo of one click, and undo of a clear, with 100,000 annotations.
void BM_UndoAt100000(benchmark::State& state) {
    TvSmithChart& f = Frame();
    TSmithChart& chart = *f.Chart();
    std::mt19937 random(9);
    while (Held(chart) < 100000)
        ClickOnChart(chart, random);
    QTest::mouseClick(f.pbSmith, Qt::LeftButton, {}, {300, 300});
    for (auto _ : state) {
        auto t0 = TBenchClock::now();
        f.Undo();
        Record("undo/100000", t0);
        t0 = TBenchClock::now();
        f.Redo();
        Record("redo/100000", t0);
    }
    for (int i = 0; i < 20; ++i) {
        f.ClearAnnotations();
        const auto t0 = TBenchClock::now();
        f.Undo();
        Record("undo clear/100000", t0);
    }
}
BENCHMARK(BM_UndoAt100000)->Iterations(20);

void BM_SavePicture(benchmark::State& state) {
    const QString path = QDir::temp().filePath(QStringLiteral("pentarix-bench.png"));
    for (auto _ : state) {
        const auto t0 = TBenchClock::now();
        Frame().SavePicture(path);
        Record("save", t0);
    }
    QFile::remove(path);
}
BENCHMARK(BM_SavePicture)->Iterations(10);

// The whole page after a click: the design, the parts, the curve and the PDF.
void BM_SaveDesign(benchmark::State& state) {
    const QString path = QDir::temp().filePath(QStringLiteral("pentarix-bench.pdf"));
    // The click reads the pointer, so the pointer goes there first.
    QCursor::setPos(Frame().pbSmith->mapToGlobal(QPoint(300, 500)));
    QTest::mouseClick(Frame().pbSmith, Qt::LeftButton, {}, {300, 500});
    for (auto _ : state) {
        const auto t0 = TBenchClock::now();
        Frame().SaveDesign(path);
        Record("design", t0);
    }
    QFile::remove(path);
}
BENCHMARK(BM_SaveDesign)->Iterations(10);

// A measured dipole of n points, written once into the temporary folder.
QString DipoleFile(int n) {
    const QString path = QDir::temp().filePath(QStringLiteral("pentarix-bench-%1.s1p").arg(n));
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    QByteArray text = "# MHz Z RI R 50\n";
    for (int i = 0; i < n; ++i) {
        const double mhz = 6.8 + 0.6 * i / (n - 1);
        text += QByteArray::number(mhz, 'f', 7) + ' ' +
                QByteArray::number((45 + 300 * (mhz - 7.1) * (mhz - 7.1)) / 50, 'g', 12) + ' ' +
                QByteArray::number(260 * (mhz - 7.1) / 50, 'g', 12) + '\n';
    }
    f.write(text);
    return path;
}

// Opening a 100,001-point measurement and drawing its trace; the chart part alone too.
void BM_TraceDrawn(benchmark::State& state) {
    const QString path = DipoleFile(100001);
    Frame().OpenMeasurement(path);
    const std::vector<TSmithChart::TTracePoint> trace = Frame().Chart()->Trace();
    for (auto _ : state) {
        const auto t0 = TBenchClock::now();
        Frame().Chart()->SetTrace(trace);
        Record("trace", t0);
    }
    Frame().CloseMeasurement();
    QFile::remove(path);
}
BENCHMARK(BM_TraceDrawn)->Iterations(10);

// A pointer move (readout with its "f" line) over a million-point trace.
void BM_PointerOverMillionPointTrace(benchmark::State& state) {
    const QString path = DipoleFile(1000000);
    Frame().OpenMeasurement(path);
    TSmithChart& chart = *Frame().Chart();
    const std::vector<TSmithChart::TTracePoint>& trace = chart.Trace();
    size_t i = 0;
    for (auto _ : state) {
        const TSmithChart::TTracePoint& p = trace[(i += 7919) % trace.size()];
        const auto t0 = TBenchClock::now();
        Send(QEvent::MouseMove, {p.PixelX + 2, p.PixelY - 1}, Qt::NoButton);
        Record("trace pointer", t0);
        const auto t1 = TBenchClock::now();
        benchmark::DoNotOptimize(
            chart.TracePointNear(p.PixelX + 2, p.PixelY - 1, TSmithChart::TraceReach));
        Record("trace lookup", t1);
    }
    Frame().CloseMeasurement();
    QFile::remove(path);
}
BENCHMARK(BM_PointerOverMillionPointTrace)->Iterations(200);

// Opening the band table on a 1,000,000-point measurement until the window
// has painted, and the memory that adds at its peak.
double gBandAddedBytes = 0;
void BM_BandTable(benchmark::State& state) {
    const QString path = DipoleFile(1000000);
    Frame().OpenMeasurement(path);
    for (auto _ : state) {
        ResetPeakResident();
        const std::size_t before = ResidentBytes();
        const auto t0 = TBenchClock::now();
        TfrmBandTable* table = Frame().ShowBandTable();
        QApplication::processEvents();
        Record("band", t0);
        const std::size_t peak = std::max(PeakResidentBytes(), ResidentBytes());
        gBandAddedBytes = std::max(gBandAddedBytes, double(peak) - double(before));
        table->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    Frame().CloseMeasurement();
    QFile::remove(path);
}
BENCHMARK(BM_BandTable)->Iterations(3);

// The band table of a 1,000,000-point measurement: Ctrl+A and Ctrl+C, and the
// table saved as CSV; each with the memory it adds at its peak.
double gCopyAddedBytes = 0, gSaveAddedBytes = 0;
void BM_BandTableCopyAndSave(benchmark::State& state) {
    const QString path = DipoleFile(1000000);
    const QString csv = QDir::temp().filePath(QStringLiteral("pentarix-bench-band.csv"));
    Frame().OpenMeasurement(path);
    TfrmBandTable* table = Frame().ShowBandTable();
    QApplication::processEvents();
    auto measure = [](const char* name, double& added, const std::function<void()>& action) {
        QApplication::clipboard()->clear();
        ResetPeakResident();
        const std::size_t before = ResidentBytes();
        const auto t0 = TBenchClock::now();
        action();
        Record(name, t0);
        const std::size_t peak = std::max(PeakResidentBytes(), ResidentBytes());
        added = std::max(added, double(peak) - double(before));
    };
    for (auto _ : state) {
        measure("band copy", gCopyAddedBytes, [&] {
            table->tbBand->selectAll();
            table->CopySelection();
        });
        QApplication::clipboard()->clear();
        table->tbBand->clearSelection();
        measure("band save", gSaveAddedBytes, [&] { table->SaveTable(csv); });
        QFile::remove(csv);
    }
    table->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    Frame().CloseMeasurement();
    QFile::remove(path);
}
BENCHMARK(BM_BandTableCopyAndSave)->Iterations(3)->Unit(benchmark::kMillisecond);

// A pointer move over the chart while "pokrytí" computes beside it: the
// coverage restarted before each move, its passes landing between moves.
void BM_PointerWhileCoverage(benchmark::State& state) {
    TvSmithChart& f = Frame();
    f.TakeLoad({600, 300}, 3.7);
    f.ShowTunerWindow();
    TfrmTuner* w = f.TunerWindow();
    std::mt19937 random(11);
    std::uniform_int_distribution<int> d(150, 650);
    for (auto _ : state) {
        state.PauseTiming();
        w->chkCoverage->setChecked(false);
        w->chkCoverage->setChecked(true);
        QApplication::processEvents();
        state.ResumeTiming();
        const QPoint p(d(random), d(random) - 50);
        const auto t0 = TBenchClock::now();
        Send(QEvent::MouseMove, p, Qt::NoButton);
        Record("pointer/coverage", t0);
    }
    w->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}
BENCHMARK(BM_PointerWhileCoverage)->Iterations(100);

// A 401-point NanoVNA scan reply after its last byte: parsed and shown as
// the live measurement (trace drawn and presented); and a pointer move while
// such sweeps keep arriving between the moves.
std::string ScanReply(double phase) {
    std::string s;
    char item[96];
    for (int i = 0; i < 401; ++i) {
        const double f = 6.5e6 + 1.3e6 * i / 400;
        const double re = 0.4 * std::cos(f / 2e5 + phase), im = 0.4 * std::sin(f / 2e5 + phase);
        std::snprintf(item, sizeof item, "%.0f %.9g %.9g\r\n", f, re, im);
        s += item;
    }
    return s;
}

void BM_LiveSweepShown(benchmark::State& state) {
    TvSmithChart& f = Frame();
    const std::string replies[] = {ScanReply(0), ScanReply(0.3)};
    int i = 0;
    for (auto _ : state) {
        const std::string& reply = replies[i++ % 2];
        const auto t0 = TBenchClock::now();
        f.Design().ShowLiveSweep(ParseNanoScan(reply, 401));
        Record("live sweep", t0);
        state.PauseTiming();
        std::mt19937 random(i);
        std::uniform_int_distribution<int> d(150, 650);
        for (int k = 0; k < 5; ++k) {
            const QPoint p(d(random), d(random) - 50);
            const auto t1 = TBenchClock::now();
            Send(QEvent::MouseMove, p, Qt::NoButton);
            Record("pointer/live", t1);
        }
        state.ResumeTiming();
    }
    f.CloseMeasurement();
}
BENCHMARK(BM_LiveSweepShown)->Iterations(40);

void Summary() {
    std::printf("Pentarix session figures (medians of single operations, this run)\n");
    const double drag = Median("drag"), undo = Median("undo"), save = Median("save");
    Line("Drag preview step (pointer move)", Ms(drag), Verdict(drag, 2e-3, "<= 2 ms"));
    Line("Undo of one click, 10,000 annotations", Ms(undo), Verdict(undo, 50e-3, "<= 50 ms"));
    const double undo1 = Median("undo/100000"), redo1 = Median("redo/100000"),
                 undoClear = Median("undo clear/100000");
    Line("Undo of one click, 100,000 annotations", Ms(undo1), Verdict(undo1, 5e-3, "<= 5 ms"));
    Line("Redo of one click, 100,000 annotations", Ms(redo1), Verdict(redo1, 5e-3, "<= 5 ms"));
    Line("Undo of a clear of 100,000 annotations", Ms(undoClear),
         Verdict(undoClear, 30e-3, "<= 30 ms"));
    auto ratio = [](double a, double b) {
        char value[32] = "not run";
        if (a > 0 && b > 0) std::snprintf(value, sizeof value, "%.2f", a / b);
        return std::string(value);
    };
    const double at100 = Median("marker/100"), at100k = Median("marker/100000");
    Line("One more marker at 100 annotations", Us(at100));
    Line("One more marker at 100,000 annotations", Us(at100k));
    Line("  ratio 100,000 / 100", ratio(at100k, at100),
         Verdict(at100 > 0 ? at100k / at100 : 0, 2, "<= 2"));
    const double first = Median("fill/first tenth"), last = Median("fill/last tenth");
    Line("A click while filling to 100,000, first tenth", Us(first));
    Line("A click while filling to 100,000, last tenth", Us(last));
    Line("  ratio last tenth / first tenth", ratio(last, first),
         Verdict(first > 0 ? last / first : 0, 3, "<= 3"));
    Line("Saving the picture as PNG", Ms(save), Verdict(save, 100e-3, "<= 100 ms"));
    const double design = Median("design");
    Line("Saving the design as a PDF page", Ms(design), Verdict(design, 500e-3, "<= 500 ms"));
    const double trace = Median("trace"), band = Median("band");
    Line("Trace of 100,001 points drawn with the grid", Ms(trace),
         Verdict(trace, 30e-3, "<= 30 ms"));
    const double coverage = Median("pointer/coverage");
    Line("Pointer move while the coverage computes", Ms(coverage),
         Verdict(coverage, 2e-3, "<= 2 ms"));
    const double live = Median("live sweep"), liveMove = Median("pointer/live");
    Line("A 401-point sweep parsed and shown live", Ms(live), Verdict(live, 5e-3, "<= 5 ms"));
    Line("Pointer move between live sweeps", Ms(liveMove), Verdict(liveMove, 2e-3, "<= 2 ms"));
    const double tracePointer = Median("trace pointer");
    Line("Pointer move over a 1,000,000-point trace", Ms(tracePointer),
         Verdict(tracePointer, 1e-3, "<= 1 ms"));
    Line("  of which finding the nearest measured point", Us(Median("trace lookup")));
    Line("Band table of 1,000,000 points opened", Ms(band), Verdict(band, 1.0, "<= 1 s"));
    if (band > 0)
        Line("Memory the band table adds at its peak", Mb(gBandAddedBytes),
             Verdict(gBandAddedBytes, 200e6, "<= 200 MB"));
    const double copy = Median("band copy"), saveCsv = Median("band save");
    Line("Band table of 1,000,000 rows: select all + copy", Ms(copy), Verdict(copy, 1.0, "<= 1 s"));
    if (copy > 0)
        Line("  memory it adds at its peak", Mb(gCopyAddedBytes),
             Verdict(gCopyAddedBytes, 50e6, "<= 50 MB"));
    Line("Band table of 1,000,000 rows saved as CSV", Ms(saveCsv), Verdict(saveCsv, 1.0, "<= 1 s"));
    if (saveCsv > 0)
        Line("  memory it adds at its peak", Mb(gSaveAddedBytes),
             Verdict(gSaveAddedBytes, 50e6, "<= 50 MB"));
}

} // namespace

int main(int argc, char** argv) {
    PrepareQtEnvironment();
    QApplication app(argc, argv);
    return RunBenchmarks(argc, argv, Summary);
}
