// Additions draw and present only what they change; the pictures must stay
// exactly those of a full redraw and a full presentation.
#include "chartfixture.h"
#include "chartgeometry.h"
#include "fpcheck.h"

#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

namespace {

// ---------------------------------------------------------------- helpers

// The picture the four layers compose to, worked out pixel by pixel here.
QImage AndOfLayers(const TSmithChart& chart) {
    QImage out = chart.GridLayer().Image().copy();
    const int width = out.width();
    for (const TLayer* l : {&chart.CursorLayer(), &chart.MarkerLayer(), &chart.CircleLayer()})
        for (int y = 0; y < out.height(); ++y) {
            QRgb* line = reinterpret_cast<QRgb*>(out.scanLine(y));
            const QRgb* layer = reinterpret_cast<const QRgb*>(l->Image().constScanLine(y));
            for (int x = 0; x < width; ++x)
                line[x] &= layer[x];
        }
    return out;
}

// First differing pixel, for the failure message.
std::string FirstDifference(const QImage& a, const QImage& b) {
    if (a.size() != b.size()) return "sizes differ";
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y))
                return "first difference at " + std::to_string(x) + "," + std::to_string(y);
    return "equal";
}

#define EXPECT_SAME_PICTURE(a, b) EXPECT_TRUE((a) == (b)) << FirstDifference((a), (b))
#define ASSERT_SAME_PICTURE(a, b) ASSERT_TRUE((a) == (b)) << FirstDifference((a), (b))

// What a full redraw gives must be what the additions left; and everything
// changed must already have reached the target.
void ExpectLikeAFullRedraw(TSmithChart& chart, const TRecordingTarget& target, const char* when) {
    SCOPED_TRACE(when);
    EXPECT_SAME_PICTURE(chart.Composite().Image(), AndOfLayers(chart));
    EXPECT_SAME_PICTURE(target.Picture, chart.Composite().Image());
    const QImage markers = chart.MarkerLayer().Image().copy();
    const QImage circles = chart.CircleLayer().Image().copy();
    chart.RedrawMarkers();
    EXPECT_SAME_PICTURE(chart.MarkerLayer().Image(), markers);
    EXPECT_SAME_PICTURE(chart.CircleLayer().Image(), circles);
    chart.Present();
    EXPECT_SAME_PICTURE(target.Picture, chart.Composite().Image());
    EXPECT_SAME_PICTURE(chart.Composite().Image(), AndOfLayers(chart));
}

// A random run of every kind of addition. Some values are refused with an
// error; the comparisons that follow show nothing was left half drawn.
class TRandomAdder {
public:
    explicit TRandomAdder(unsigned seed) : FRandom(seed) {}

    void AddOne(TSmithChart& chart) {
        const int kind = Pick(0, 99);
        try {
            if (kind < 40) {
                chart.AddPolarMarker(Colour(), Real(-200, 200), Swr());
            } else if (kind < 48) {
                // Points on the rim of a small layer and just past it.
                chart.AddPolarMarker(Colour(), Pick(-1, 1) * Real(0, 60), Real(8, 400));
            } else if (kind < 58) {
                chart.AddImpedanceMarker(false, Colour(), Real(0, 300), Real(-400, 400), 50, 1);
            } else if (kind < 90) {
                TMatch match;
                chart.SolveMatch(Real(-180, 180), Swr(), match);
            } else if (kind < 98) {
                chart.AddImpedanceMarker(true, 0, 0, 0, 50, Real(0.3, 30));
            } else {
                chart.AddImpedanceMarker(true, 0, 0, 0, 50, -1.0); // refused
            }
        } catch (const EMathError&) {
            ++Refused;
        }
    }
    int Refused = 0;

private:
    int Pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(FRandom); }
    double Real(double lo, double hi) {
        return std::uniform_real_distribution<double>(lo, hi)(FRandom);
    }
    double Swr() {
        const int k = Pick(0, 9);
        if (k == 0) return 1.0;
        if (k == 1) return Real(0.2, 1.0);
        if (k == 2) return Real(20, 500);
        return Real(1.0, 12.0);
    }
    TColor Colour() {
        static const TColor colours[] = {
            0, clBlue, clRed, clGreen, 0x00FFFF, static_cast<TColor>(0xFF00000F), -5};
        return colours[Pick(0, 6)];
    }
    std::mt19937 FRandom;
};

// ---------------------------------------------------------------- the chart

class IncrementalTest : public testing::Test {
protected:
    TRecordingTarget Target;
    TSmithChart Chart{DesignCx, DesignCy, DesignR, &Target};
};

TEST_F(IncrementalTest, ThousandsOfAdditionsAtTheDesignSizeEqualAFullRedraw) {
    Chart.SetSize(DesignW, DesignH);
    TRandomAdder adder(20240601);
    for (int i = 1; i <= 4000; ++i) {
        adder.AddOne(Chart);
        if (i % 1000 == 0) ExpectLikeAFullRedraw(Chart, Target, "design size");
    }
    EXPECT_GT(adder.Refused, 0);
    // Enough for a full redraw to count the arcs on two cores.
    EXPECT_GT(Chart.Arcs().size(), 1000u);
    EXPECT_GT(Chart.Markers().size(), 2000u);
}

TEST_F(IncrementalTest, ALayerSmallerThanTheDiscClipsAtItsEdges) {
    Chart.SetSize(500, 400);
    TRandomAdder adder(77);
    for (int i = 1; i <= 3000; ++i) {
        adder.AddOne(Chart);
        if (i % 750 == 0) ExpectLikeAFullRedraw(Chart, Target, "500 x 400");
    }
    // Rings across the right and bottom edges were among them.
    bool acrossRight = false, acrossBottom = false, outside = false;
    for (const auto& m : Chart.Markers()) {
        if (m->IsSwrCircle) continue;
        acrossRight |= m->PosX - 4 < 500 && m->PosX + 4 > 500;
        acrossBottom |= m->PosY - 4 < 400 && m->PosY + 4 > 400;
        outside |= m->PosX - 4 >= 500 || m->PosY - 4 >= 400;
    }
    EXPECT_TRUE(acrossRight);
    EXPECT_TRUE(acrossBottom);
    EXPECT_TRUE(outside);
}

TEST_F(IncrementalTest, AfterResizesTheAdditionsStillEqualAFullRedraw) {
    Chart.SetSize(500, 400);
    TRandomAdder adder(5);
    for (int i = 0; i < 800; ++i)
        adder.AddOne(Chart);
    // Growing uncovers annotations that were never drawn; the next addition
    // brings them in, as the full redraw did.
    Chart.SetSize(DesignW, DesignH);
    for (int i = 1; i <= 800; ++i) {
        adder.AddOne(Chart);
        if (i == 1 || i % 400 == 0) ExpectLikeAFullRedraw(Chart, Target, "grown");
    }
    Chart.SetSize(300, 600);
    for (int i = 1; i <= 800; ++i) {
        adder.AddOne(Chart);
        if (i == 1 || i % 400 == 0) ExpectLikeAFullRedraw(Chart, Target, "narrowed");
    }
}

TEST_F(IncrementalTest, AtDeviceScaleTwoAndAcrossAChangeOfScale) {
    // Drawn at 2, the additions still equal a full redraw, stamps and arc map
    // in device pixels; a change of scale draws everything again.
    Target.Scale = 2;
    Chart.SetSize(500, 400);
    EXPECT_EQ(Chart.Composite().Image().width(), 1000);
    TRandomAdder adder(31);
    for (int i = 1; i <= 600; ++i) {
        adder.AddOne(Chart);
        if (i % 300 == 0) ExpectLikeAFullRedraw(Chart, Target, "scale 2");
    }
    Target.Scale = 1;
    Chart.SetSize(500, 400);
    ExpectLikeAFullRedraw(Chart, Target, "back at scale 1");
    Target.Scale = 2;
    Chart.SetSize(500, 400);
    for (int i = 1; i <= 200; ++i)
        adder.AddOne(Chart);
    ExpectLikeAFullRedraw(Chart, Target, "at scale 2 again");
}

TEST_F(IncrementalTest, AnAdditionPresentsOnlyWhatItChanged) {
    Chart.SetSize(DesignW, DesignH);
    Chart.AddPolarMarker(0, 10, 2); // the first one after sizing draws everything
    Chart.AddPolarMarker(clBlue, 45, 3);
    const TMarkerRec& m = *Chart.Markers().back();
    EXPECT_EQ(Target.LastRect, (TRect{m.PosX - 4, m.PosY - 4, m.PosX + 4, m.PosY + 4}));

    // An arc: its rectangle holds every pixel it changed, and it drew on each
    // of the rectangle's four edges.
    TMatch match;
    Chart.SolveMatch(120, 4, match);
    const QImage before = Chart.MarkerLayer().Image().copy();
    Chart.AddArc(-0.5, 0, 0.5, 0, 1, 60, 3);
    const TRect r = Target.LastRect;
    ASSERT_FALSE(r.IsEmpty());
    int changed = 0;
    for (int y = 0; y < DesignH; ++y)
        for (int x = 0; x < DesignW; ++x)
            if (Chart.MarkerLayer().Image().pixel(x, y) != before.pixel(x, y)) {
                ++changed;
                ASSERT_TRUE(x >= r.Left && x < r.Right && y >= r.Top && y < r.Bottom)
                    << x << "," << y;
            }
    EXPECT_GT(changed, 50);
    auto greenOn = [&](int x0, int y0, int x1, int y1) {
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x)
                if (Chart.MarkerLayer().Pixel(x, y) == clGreen) return true;
        return false;
    };
    EXPECT_TRUE(greenOn(r.Left, r.Top, r.Right - 1, r.Top));
    EXPECT_TRUE(greenOn(r.Left, r.Bottom - 1, r.Right - 1, r.Bottom - 1));
    EXPECT_TRUE(greenOn(r.Left, r.Top, r.Left, r.Bottom - 1));
    EXPECT_TRUE(greenOn(r.Right - 1, r.Top, r.Right - 1, r.Bottom - 1));

    // A circle: the rectangle holds both rings and the label.
    Chart.AddImpedanceMarker(true, 0, 0, 0, 50, 2.0);
    const TRect c = Target.LastRect;
    for (int y = 0; y < DesignH; ++y)
        for (int x = 0; x < DesignW; ++x)
            if (Chart.CircleLayer().Pixel(x, y) != clWhite) {
                ASSERT_TRUE(x >= c.Left && x < c.Right && y >= c.Top && y < c.Bottom)
                    << x << "," << y;
            }
    EXPECT_LT(c.Width(), DesignW / 2);
    ExpectLikeAFullRedraw(Chart, Target, "after the three");
}

TEST_F(IncrementalTest, ChangesNotPresentedYetGoOutWithTheNextAddition) {
    Chart.SetSize(DesignW, DesignH);
    Chart.AddPolarMarker(0, 30, 2);
    TReading reading;
    ASSERT_TRUE(Chart.ReadPointer(200, 150, true, reading));
    // A click clears the crosshair without presenting; the addition that
    // follows must take it off the target everywhere, not only around itself.
    ASSERT_TRUE(Chart.ReadPointer(200, 150, false, reading));
    Chart.AddPolarMarker(clBlue, -60, 3);
    EXPECT_SAME_PICTURE(Target.Picture, AndOfLayers(Chart));

    // Cleared lists leave the old drawing on the layer until the next addition,
    // which then redraws from the lists alone.
    Chart.ClearMarkers();
    Chart.ClearArcs();
    Chart.AddPolarMarker(0, 100, 5);
    ExpectLikeAFullRedraw(Chart, Target, "after clearing the lists");
    int coloured = 0;
    for (int y = 0; y < DesignH; ++y)
        for (int x = 0; x < DesignW; ++x)
            coloured += Chart.MarkerLayer().Pixel(x, y) != clWhite;
    EXPECT_GT(coloured, 0);
    EXPECT_LE(coloured, 64);

    // A circle drawn outside the list is drawn over by the list's circles at the
    // next addition, as before.
    Chart.AddImpedanceMarker(true, 0, 0, 0, 50, 3.0);
    Chart.DrawSwrCircle(2.9);
    Chart.AddPolarMarker(0, 0, 2);
    ExpectLikeAFullRedraw(Chart, Target, "after a loose circle");
}

TEST_F(IncrementalTest, RefusedSwrCircleStoresNothingAndDrawsNothing) {
    Chart.SetSize(DesignW, DesignH);
    Chart.AddImpedanceMarker(true, 0, 0, 0, 50, 2.0);
    const QImage circles = Chart.CircleLayer().Image().copy();
    const int presents = Target.Presents;
    EXPECT_THROW(Chart.AddImpedanceMarker(true, 0, 0, 0, 50, -1.0), EMathError);
    EXPECT_EQ(Chart.Markers().size(), 1u);
    EXPECT_EQ(Chart.CircleLayer().Image(), circles);
    EXPECT_EQ(Target.Presents, presents);
}

// ---------------------------------------------------------------- history

// A copy of the standing records, for a chart of their own.
TSmithChart::TAnnotations CopyOfRecords(const TSmithChart& chart) {
    TSmithChart::TAnnotations copy;
    for (const auto& m : chart.Markers())
        copy.Markers.push_back(std::make_unique<TMarkerRec>(*m));
    for (const auto& a : chart.Arcs())
        copy.Arcs.push_back(std::make_unique<TArcRec>(*a));
    return copy;
}

// Random steps, undos, redos, clearings and resizes kept as the session keeps
// them; after each, the target shows the layers, and the annotation layers
// equal a full redraw of the standing records on a fresh chart of that size.
// Large steps make clearings whose pictures are kept while newer ones are,
// and undos right after a resize.
TEST(IncrementalHistory, RandomUndoRedoClearAndResizeEqualAFullRedraw) {
    for (const int scale : {1, 2}) {
        SCOPED_TRACE(testing::Message() << "scale " << scale);
        TRecordingTarget target, freshTarget;
        target.Scale = freshTarget.Scale = scale;
        TSmithChart chart(DesignCx, DesignCy, DesignR, &target);
        const int w = scale == 1 ? DesignW : 500, h = scale == 1 ? DesignH : 400;
        chart.SetSize(w, h);
        TSmithChart fresh(DesignCx, DesignCy, DesignR, &freshTarget);
        fresh.SetSize(w, h);
        TRandomAdder adder(unsigned(40 + scale));
        for (int i = 0; i < 2500; ++i)
            adder.AddOne(chart);
        struct TStep {
            TSmithChart::TAnnotationCount Before;
            TSmithChart::TAnnotations Taken;
            bool Clearing = false;
            int Emptied = 0; // how many times the chart was emptied of many, when taken
        };
        std::vector<TStep> undo, redo;
        std::mt19937 plan{unsigned(scale)};
        int clearingsUndone = 0, olderClearingsUndone = 0, undosAfterResize = 0, emptied = 0;
        bool resized = false;
        // Taking many and leaving none keeps a picture: count them.
        auto take = [&](TSmithChart::TAnnotationCount from) {
            TSmithChart::TAnnotations taken = chart.TakeAnnotationsFrom(from);
            if (chart.Markers().empty() && chart.Arcs().empty() &&
                taken.Markers.size() + taken.Arcs.size() > 100)
                ++emptied;
            return taken;
        };
        auto undoOne = [&] {
            TStep step = std::move(undo.back());
            undo.pop_back();
            undosAfterResize += resized;
            if (step.Clearing) {
                ++clearingsUndone;
                olderClearingsUndone += step.Emptied < emptied &&
                                        step.Taken.Markers.size() + step.Taken.Arcs.size() >= 2000;
                chart.RestoreAnnotations(std::move(step.Taken));
            } else {
                step.Taken = take(step.Before);
            }
            redo.push_back(std::move(step));
        };
        auto expectAFullRedraw = [&] {
            EXPECT_SAME_PICTURE(target.Picture, AndOfLayers(chart));
            // With its lists cleared, putting records back redraws them all.
            fresh.ClearMarkers();
            fresh.ClearArcs();
            fresh.RestoreAnnotations(CopyOfRecords(chart));
            EXPECT_SAME_PICTURE(chart.MarkerLayer().Image(), fresh.MarkerLayer().Image());
            EXPECT_SAME_PICTURE(chart.CircleLayer().Image(), fresh.CircleLayer().Image());
        };
        for (int op = 0; op < 90; ++op) {
            const int kind = std::uniform_int_distribution<int>(0, 13)(plan);
            SCOPED_TRACE(testing::Message() << "operation " << op << " kind " << kind);
            if (op % 30 == 29) {
                // Back to the start, step by step, through every clearing.
                while (!undo.empty()) {
                    undoOne();
                    expectAFullRedraw();
                    resized = false;
                }
                continue;
            }
            if (kind < 3 || kind == 10 || kind == 11) {
                const TSmithChart::TAnnotationCount before = chart.AnnotationCount();
                const int count = kind < 3 ? kind + 1 : 500;
                for (int i = 0; i < count; ++i)
                    adder.AddOne(chart);
                const TSmithChart::TAnnotationCount after = chart.AnnotationCount();
                if (after.Markers == before.Markers && after.Arcs == before.Arcs) continue;
                undo.push_back({before, {}, false, 0});
                redo.clear();
            } else if (kind < 6 && !undo.empty()) {
                undoOne();
            } else if (kind >= 6 && kind < 8 && !redo.empty()) {
                TStep step = std::move(redo.back());
                redo.pop_back();
                if (step.Clearing) {
                    step.Taken = take({0, 0});
                    step.Emptied = emptied;
                } else {
                    chart.RestoreAnnotations(std::move(step.Taken));
                }
                undo.push_back(std::move(step));
            } else if ((kind == 8 || kind == 9) && !chart.Markers().empty()) {
                TStep step{{0, 0}, take({0, 0}), true, 0};
                step.Emptied = emptied;
                undo.push_back(std::move(step));
                redo.clear();
            } else if (kind >= 12) {
                // A window dragged 20 pixels wider or narrower, or back.
                const int dw = std::uniform_int_distribution<int>(-1, 1)(plan) * 20;
                chart.SetSize(w + dw, h + dw / 2);
                fresh.SetSize(w + dw, h + dw / 2);
                resized = true;
                EXPECT_SAME_PICTURE(target.Picture, AndOfLayers(chart));
                continue;
            }
            resized = false;
            expectAFullRedraw();
        }
        EXPECT_GT(clearingsUndone, 1);
        EXPECT_GT(olderClearingsUndone, 0);
        EXPECT_GT(undosAfterResize, 0);
    }
}

// A resize keeps what both sizes show and draws only what a larger one
// uncovers; every later removal must still find the counts a full redraw
// would have made, across the old edges too.
TEST(IncrementalHistory, AfterResizesEveryRemovalEqualsAFullRedraw) {
    for (const int scale : {1, 2}) {
        SCOPED_TRACE(testing::Message() << "scale " << scale);
        TRecordingTarget target, freshTarget;
        target.Scale = freshTarget.Scale = scale;
        TSmithChart chart(DesignCx, DesignCy, DesignR, &target);
        chart.SetSize(500, 400);
        TRandomAdder adder(unsigned(60 + scale));
        for (int i = 0; i < 600; ++i)
            adder.AddOne(chart);
        for (const QSize size : {QSize(430, 350), QSize(520, 380), QSize(470, 460)})
            chart.SetSize(size.width(), size.height());
        TSmithChart fresh(DesignCx, DesignCy, DesignR, &freshTarget);
        fresh.SetSize(470, 460);
        while (!chart.Markers().empty() || !chart.Arcs().empty()) {
            const TSmithChart::TAnnotationCount n = chart.AnnotationCount();
            chart.TakeAnnotationsFrom({n.Markers - std::min<size_t>(n.Markers, 9),
                                       n.Arcs - std::min<size_t>(n.Arcs, 3)});
            fresh.ClearMarkers();
            fresh.ClearArcs();
            fresh.RestoreAnnotations(CopyOfRecords(chart));
            ASSERT_SAME_PICTURE(chart.MarkerLayer().Image(), fresh.MarkerLayer().Image());
        }
    }
}

// ---------------------------------------------------------------- the readout

// A pointer move clears and shows only where the old and the new readout lie;
// among random moves (over a trace, off the chart, without drawing), drag
// previews, clearings and additions, the target must show what a full presentation
// shows, and a clearing must leave the cursor layer wholly white.
TEST(IncrementalReadout, MovesLeaveAFullPresentationsPicture) {
    for (const int scale : {1, 2}) {
        SCOPED_TRACE(testing::Message() << "scale " << scale);
        TRecordingTarget target;
        target.Scale = scale;
        TSmithChart chart(DesignCx, DesignCy, DesignR, &target);
        chart.SetSize(DesignW, DesignH);
        std::vector<TSmithChart::TTracePoint> points;
        for (int i = 0; i < 400; ++i)
            points.push_back({7.0 + i * 0.01, 10.0 + i, -200.0 + i, false, 0, 0});
        chart.SetTrace(points);
        const std::vector<TSmithChart::TTracePoint>& trace = chart.Trace();
        QImage white = chart.CursorLayer().Image().copy();
        white.fill(ColorToRgb(clWhite));
        TRandomAdder adder(unsigned(7 + scale));
        std::mt19937 plan{unsigned(scale)};
        std::uniform_int_distribution<int> coord(-40, DesignW + 40);
        for (int op = 0; op < 150; ++op) {
            const int kind = std::uniform_int_distribution<int>(0, 19)(plan);
            SCOPED_TRACE(testing::Message() << "operation " << op << " kind " << kind);
            TReading reading;
            if (kind < 10) {
                // Half of the moves land beside a trace point, where the "f" line shows.
                const TSmithChart::TTracePoint& p = trace[size_t(op * 37) % trace.size()];
                const bool near = kind % 2 == 0;
                chart.ReadPointer(near ? p.PixelX + 2 : coord(plan),
                                  near ? p.PixelY - 1 : coord(plan), true, reading);
            } else if (kind < 13) {
                // A drag's step: the readout, then the network's preview over it.
                std::uniform_int_distribution<int> inside(-DesignR + 20, DesignR - 20);
                if (!chart.ReadPointer(DesignCx + inside(plan) / 2, DesignCy + inside(plan) / 2,
                                       true, reading))
                    continue;
                try {
                    TMatch match;
                    const double m = ChartMagnitude(reading.Swr);
                    match.IsCL = ChartDecidesCL(reading.Theta, m);
                    const TFirstMove move = ChartTransition(reading.Theta, m, match);
                    chart.DrawPreview(reading.Theta, reading.Swr, match, move);
                } catch (const std::exception&) {
                    // The matched centre has no network to preview.
                }
            } else if (kind < 14) {
                chart.ReadPointer(coord(plan), coord(plan), false, reading);
                continue;
            } else if (kind < 17) {
                chart.ClearCursorLayer();
                EXPECT_SAME_PICTURE(chart.CursorLayer().Image(), white);
                chart.Present();
            } else {
                adder.AddOne(chart);
            }
            EXPECT_SAME_PICTURE(target.Picture, AndOfLayers(chart));
        }
    }
}

// ---------------------------------------------------------------- the layer clip

// Every kind of drawing, on a patterned layer so that untouched pixels show.
void DrawEverything(TLayer& l, const TLayer& source) {
    // First, while its border is whole in both pictures.
    l.Brush = {0x778899, TBrushStyle::Solid};
    l.FloodFill(145, 100, clGreen);
    l.Pen = {0x203040, 3, TPenStyle::Solid};
    l.Brush = {0x00A0F0, TBrushStyle::Solid};
    l.FillRect({10, 10, 70, 50});
    l.Ellipse(40, 20, 140, 110);
    l.Pen = {clBlue, 1, TPenStyle::Dot};
    l.MoveTo(0, 5);
    l.LineTo(199, 140);
    l.Pen = {clGreen, 2, TPenStyle::Solid};
    l.Arc(20, 30, 180, 140, 180, 30, 20, 140);
    l.Font.Color = clRed;
    l.TextOut(60, 70, QStringLiteral("PSV 4.2 Xx -17.5"));
    l.SetPixel(95, 90, clPurple);
    l.CopyMode = TCopyMode::And;
    l.CopyRect({0, 100, 80, 150}, source, {10, 0, 90, 50});
    l.CopyMode = TCopyMode::Copy;
}

TLayer Patterned(int scale) {
    TLayer l;
    l.SetScale(scale);
    l.SetSize(200, 150);
    for (int y = 0; y < 150; y += 3) {
        l.Brush = {0x10000 * y + 0x100 * (y % 7) + 0x40, TBrushStyle::Solid};
        l.FillRect({0, y, 200, y + 2});
    }
    // The border of the flood fill is there before any clip, so that the
    // filled region is the same with and without one.
    l.Pen = {clGreen, 1, TPenStyle::Solid};
    l.Brush.Style = TBrushStyle::Clear;
    l.Ellipse(100, 60, 190, 140);
    return l;
}

TEST(LayerClip, InsideTheClipEverythingIsAsUnclippedOutsideNothingChanges) {
    for (int scale : {1, 2}) {
        TLayer source;
        source.SetScale(scale);
        source.SetSize(120, 80);
        source.Brush = {0x3366CC, TBrushStyle::Solid};
        source.FillRect({0, 0, 120, 80});
        TLayer whole = Patterned(scale);
        DrawEverything(whole, source);
        const TLayer untouched = Patterned(scale);
        for (const TRect clip :
             {TRect{50, 40, 120, 100}, TRect{-20, -20, 30, 200}, TRect{95, 90, 96, 91},
              TRect{150, 0, 400, 400}, TRect{60, 60, 60, 80}}) {
            TLayer clipped = Patterned(scale);
            clipped.SetClip(clip);
            DrawEverything(clipped, source);
            // Device pixels: the clip holds whole layer pixels.
            const TRect d = ScaleRect(clip, scale);
            int inside = 0;
            for (int y = 0; y < 150 * scale; ++y)
                for (int x = 0; x < 200 * scale; ++x) {
                    const bool in = x >= d.Left && x < d.Right && y >= d.Top && y < d.Bottom;
                    inside += in;
                    ASSERT_EQ(clipped.Image().pixel(x, y),
                              (in ? whole : untouched).Image().pixel(x, y))
                        << x << "," << y << " clip " << clip.Left << "," << clip.Top << " scale "
                        << scale;
                }
            // Drawing reached each non-empty clip somewhere.
            if (inside > 0) {
                EXPECT_NE(clipped.Image(), untouched.Image()) << clip.Left;
            }
        }
    }
}

TEST(LayerClip, ClearingTheClipAndResizingRestoreTheWholeLayer) {
    TLayer l;
    l.SetSize(50, 40);
    l.SetClip({10, 10, 20, 20});
    EXPECT_TRUE(l.HasClip());
    l.Brush.Color = clRed;
    l.FillRect({0, 0, 50, 40});
    EXPECT_EQ(l.Pixel(9, 10), clWhite);
    EXPECT_EQ(l.Pixel(10, 10), clRed);
    // The clip is kept in layer coordinates across a resize.
    l.SetSize(100, 100);
    l.Brush.Color = clBlue;
    l.FillRect({0, 0, 100, 100});
    EXPECT_EQ(l.Pixel(19, 19), clBlue);
    EXPECT_EQ(l.Pixel(20, 19), clWhite);
    l.ClearClip();
    EXPECT_FALSE(l.HasClip());
    l.FillRect({0, 0, 100, 100});
    EXPECT_EQ(l.Pixel(99, 99), clBlue);
}

TEST(LayerArcPixels, TheSinkHearsExactlyThePixelsWritten) {
    for (const TRect clip : {TRect{0, 0, 300, 200}, TRect{70, 0, 130, 90}}) {
        TLayer l;
        l.SetSize(300, 200);
        l.SetClip(clip);
        l.Pen = {clGreen, 1, TPenStyle::Solid};
        std::vector<QPoint> heard;
        l.Arc(-40, 10, 260, 330, 250, 180, -40, 150,
              [&](int x, int y) { heard.emplace_back(x, y); });
        QImage marks(300, 200, QImage::Format_RGB32);
        marks.fill(Qt::white);
        for (const QPoint& p : heard)
            marks.setPixel(p, qRgb(0, 128, 0));
        EXPECT_EQ(marks, l.Image());
        EXPECT_GT(heard.size(), 50u);
    }
}

TEST(LayerTextRect, HoldsEveryPixelTheTextWritesAtEachScale) {
    for (int scale : {1, 2, 3})
        for (int size : {7, 8, 9, 14}) {
            for (const QString& text : {QStringLiteral("PSV 4.2"), QStringLiteral("Wjgq_|}"),
                                        QStringLiteral("Úhel Ro; C [pF]")}) {
                TLayer l;
                l.SetScale(scale);
                l.SetSize(300, 120);
                l.Font = {size, clBlack};
                l.Brush.Style = TBrushStyle::Clear;
                l.TextOut(40, 50, text);
                // In device pixels, where the text was written.
                const TRect r = ScaleRect(l.TextRect(40, 50, text), scale);
                const QImage& image = l.Image();
                int written = 0;
                for (int y = 0; y < image.height(); ++y)
                    for (int x = 0; x < image.width(); ++x)
                        if (RgbToColor(image.pixel(x, y)) != clWhite) {
                            ++written;
                            ASSERT_TRUE(x >= r.Left && x < r.Right && y >= r.Top && y < r.Bottom)
                                << x << "," << y << " size " << size << " scale " << scale;
                        }
                EXPECT_GT(written, 10 * scale * scale);
            }
        }
}

TEST(LayerSetToAnd, EqualsCopyThenAndOfEachLayer) {
    TLayer a = Patterned(1), b, c, d;
    for (TLayer* l : {&b, &c, &d})
        l->SetSize(200, 150);
    b.Brush = {0x0F0F0F, TBrushStyle::Solid};
    b.Ellipse(20, 20, 180, 130);
    c.Pen = {clRed, 4, TPenStyle::Solid};
    c.MoveTo(0, 0);
    c.LineTo(200, 150);
    d.Font.Color = clBlue;
    d.TextOut(30, 30, QStringLiteral("AND"));
    TLayer expected;
    expected.SetSize(200, 150);
    const TRect part{13, 7, 171, 140};
    expected.CopyRect(part, a, part);
    expected.CopyMode = TCopyMode::And;
    for (const TLayer* l : {&b, &c, &d})
        expected.CopyRect(part, *l, part);
    TLayer out;
    out.SetSize(200, 150);
    ASSERT_TRUE(out.SetToAnd(part, a, b, c, d));
    EXPECT_EQ(out.Image(), expected.Image());
    // Layers of another size are refused and nothing is written.
    TLayer small;
    small.SetSize(10, 10);
    const QImage kept = out.Image().copy();
    EXPECT_FALSE(out.SetToAnd(part, a, b, c, small));
    EXPECT_EQ(out.Image(), kept);
}

} // namespace
