// Layers, composition, resizing and the grid at the design geometry.
#include "chartfixture.h"
#include "feedline.h"

#include <QGuiApplication>
#include <QPalette>
#include <QTest>
#include <cmath>
#include <random>
#include <gtest/gtest.h>

namespace {

class ChartTest : public DesignChartTest {
protected:
    TColor Grid(int dx, int dy) const {
        return Chart.GridLayer().Pixel(DesignCx + dx, DesignCy + dy);
    }
    TColor ButtonFace() const { return RgbToColor(ColorToRgb(clBtnFace)); }
};

TEST_F(ChartTest, ResistanceCirclesAndTheirAdmittanceMirrors) {
    // One row above the axis, where each circle's end stands vertical.
    for (int left : {110, 220, 270})
        EXPECT_EQ(Grid(left, -1), clRed) << left;
    EXPECT_EQ(Grid(0, -1), clRed);
    EXPECT_EQ(Grid(-110, -1), clRed);
    EXPECT_EQ(Grid(-220, -1), clRed);
    // The silver mirror images end one pixel short on the other side.
    for (int right : {-271, -221, -111, -1, 109, 219})
        EXPECT_EQ(Grid(right, -1), clSilver) << right;
    // Between the circles the grid is background.
    EXPECT_EQ(Grid(60, -1), clWhite);
}

TEST_F(ChartTest, AxisRingAndOutsideFill) {
    EXPECT_EQ(Grid(-330, 0), clBlack);
    EXPECT_EQ(Grid(329, 0), clBlack);
    for (auto [dx, dy] : {std::pair{330, 0}, {-331, 0}, {0, 330}, {0, -331}})
        EXPECT_EQ(Grid(dx, dy), clGray) << dx << "," << dy;
    for (auto [dx, dy] : {std::pair{332, 0}, {-332, 0}, {0, 332}, {0, -332}})
        EXPECT_EQ(Grid(dx, dy), ButtonFace()) << dx << "," << dy;
    EXPECT_EQ(Chart.GridLayer().Pixel(0, 0), ButtonFace());
    EXPECT_EQ(Chart.GridLayer().Pixel(DesignW - 1, DesignH - 1), ButtonFace());
    EXPECT_NE(ButtonFace(), clWhite);
}

TEST_F(ChartTest, GridIsClippedToTheDisc) {
    // The big reactance circles run far outside; nothing but the fill may remain there.
    int outside = 0;
    for (int y = 0; y < DesignH; ++y)
        for (int x = 0; x < DesignW; ++x) {
            const double d = std::hypot(x - DesignCx + 0.5, y - DesignCy + 0.5);
            if (d < 333) continue;
            ++outside;
            ASSERT_EQ(Chart.GridLayer().Pixel(x, y), ButtonFace()) << x << "," << y;
        }
    EXPECT_GT(outside, 100000);
    // Inside, the radius-5 reactance circles leave arcs near the right end of the axis.
    bool redNearRight = false;
    for (int y = DesignCy - 40; y < DesignCy - 2; ++y)
        if (Chart.GridLayer().Pixel(DesignCx + 326, y) == clRed) redNearRight = true;
    EXPECT_TRUE(redNearRight);
}

TEST_F(ChartTest, CompositionAndsTheLayersOverTheGrid) {
    // A red marker over a silver admittance circle shows 0x0000C0.
    const int x = DesignCx - 221, y = DesignCy - 1;
    ASSERT_EQ(Grid(-221, -1), clSilver);
    // A red marker on the right end of the g = 2 circle, 111 px left of the centre.
    const double m = 111.0 / 330;
    Chart.AddPolarMarker(0, 180, (1 + m) / (1 - m));
    bool found = false;
    for (int yy = 0; yy < DesignH && !found; ++yy)
        for (int xx = 0; xx < DesignW; ++xx)
            if (Chart.MarkerLayer().Pixel(xx, yy) == clRed &&
                Chart.GridLayer().Pixel(xx, yy) == clSilver) {
                EXPECT_EQ(Target.PixelAt(xx, yy), 0x0000C0);
                found = true;
                break;
            }
    EXPECT_TRUE(found);
    // White in the upper layers leaves the grid as it is.
    EXPECT_EQ(Target.PixelAt(x, y), clSilver);
    EXPECT_EQ(Target.PixelAt(0, 0), ButtonFace());
}

TEST_F(ChartTest, ResizeKeepsAnnotationsAndWhitensNewArea) {
    Chart.AddPolarMarker(clBlue, 135, 3); // stays inside the small size below
    Chart.AddImpedanceMarker(true, 0, 0, 0, 50, 4.2);
    const TMarkerRec& m = *Chart.Markers().front();
    ASSERT_EQ(Chart.MarkerLayer().Pixel(m.PosX + 3, m.PosY), clBlue);
    ASSERT_EQ(Chart.CircleLayer().Pixel(DesignCx + 203, DesignCy), clGray);
    auto grayInKeptArea = [this] {
        int n = 0;
        for (int y = 0; y < 300; ++y)
            for (int x = 0; x < 400; ++x)
                n += Chart.CircleLayer().Pixel(x, y) == clGray;
        return n;
    };
    const int kept = grayInKeptArea();
    ASSERT_GT(kept, 100);

    Chart.SetSize(400, 300);
    Chart.SetSize(1000, 900);
    EXPECT_EQ(Chart.MarkerLayer().Width(), 1000);
    EXPECT_EQ(Chart.MarkerLayer().Pixel(m.PosX + 3, m.PosY), clBlue);
    // The circle's pixels beyond the small size are drawn again at once.
    EXPECT_EQ(Chart.CircleLayer().Pixel(DesignCx + 203, DesignCy), clGray);
    EXPECT_EQ(grayInKeptArea(), kept);
    EXPECT_EQ(Chart.MarkerLayer().Pixel(950, 850), clWhite);
    // The centre stays where it was; the grid follows the new size.
    EXPECT_EQ(Chart.CenterX(), DesignCx);
    EXPECT_EQ(Chart.GridLayer().Pixel(DesignCx + 330, DesignCy), clGray);
    EXPECT_EQ(Target.Picture.width(), 1000);
}

TEST_F(ChartTest, BurstOfResizesEndsInOneLatePresent) {
    QTest::qWait(150);
    const int before = Target.Presents;
    Chart.SetSize(800, 700);
    Chart.SetSize(810, 700);
    Chart.SetSize(823, 710);
    EXPECT_EQ(Target.Presents, before + 3) << Target.LastRect.Right;
    EXPECT_TRUE(Chart.TimerActive());
    QTest::qWait(400);
    EXPECT_EQ(Target.Presents, before + 4);
    EXPECT_FALSE(Chart.TimerActive());
}

TEST(ChartLifecycle, PresentBeforeSizingDoesNothing) {
    TRecordingTarget target;
    TSmithChart chart(DesignCx, DesignCy, DesignR, &target);
    EXPECT_NO_THROW(chart.Present());
    EXPECT_TRUE(target.Picture.isNull());
    EXPECT_FALSE(chart.TimerActive());
    EXPECT_EQ(chart.GetLayerRect(), (TRect{0, 0, 0, 0}));
}

TEST(ChartLifecycle, ZeroSizeDrawsNothing) {
    TRecordingTarget target;
    TSmithChart chart(DesignCx, DesignCy, DesignR, &target);
    chart.SetSize(0, 0);
    EXPECT_NO_THROW(chart.AddPolarMarker(0, 10, 2));
    EXPECT_EQ(chart.Composite().Width(), 0);
}

TEST(ChartLifecycle, LowPaintBoxFillsTheSidesFromTheOtherSeeds) {
    TRecordingTarget target;
    TSmithChart chart(DesignCx, DesignCy, DesignR, &target);
    chart.SetSize(DesignW, 400); // the ring crosses the bottom edge
    const TColor face = RgbToColor(ColorToRgb(clBtnFace));
    EXPECT_EQ(chart.GridLayer().Pixel(5, 399), face);
    EXPECT_EQ(chart.GridLayer().Pixel(DesignW - 5, 399), face);
    EXPECT_EQ(chart.GridLayer().Pixel(DesignCx, 10), face);
}

} // namespace

// The trace's cell index against the plain scan it replaces: crowded pixels
// (ties, runs on one pixel), points far off any layer, unplaced points, queries anywhere.
TEST(TraceIndex, FindsWhatAScanInOrderFinds) {
    std::mt19937 random(11);
    auto coordinate = [&]() {
        switch (random() % 4) {
        case 0: return int(random() % 40) + 400;               // a crowd
        case 1: return int(random() % 2000) - 500;              // around the layer
        case 2: return int(random() % 20000) - 10000;           // outside the cells
        default: return (random() % 2 ? 1 : -1) * int(random() % 1000000);
        }
    };
    std::vector<TTraceIndex::TPoint> points(5000);
    for (size_t i = 0; i < points.size(); ++i) {
        points[i] = {coordinate(), coordinate(), random() % 10 != 0};
        // Runs on one pixel, as a dense sweep gives.
        if (i > 0 && random() % 3 == 0) {
            points[i].X = points[i - 1].X;
            points[i].Y = points[i - 1].Y;
        }
    }
    TTraceIndex index;
    index.Build(points);
    for (int q = 0; q < 5000; ++q) {
        const int x = coordinate() + int(random() % 13) - 6, y = coordinate() + int(random() % 13) - 6;
        const double reach = q % 2 ? 6.0 : 1.5;
        std::optional<size_t> scan;
        double best = reach * reach;
        for (size_t i = 0; i < points.size(); ++i) {
            const double dx = double(points[i].X) - x, dy = double(points[i].Y) - y;
            if (points[i].Placed && dx * dx + dy * dy <= best) {
                best = dx * dx + dy * dy;
                scan = i;
            }
        }
        ASSERT_EQ(index.Nearest(x, y, reach), scan) << x << "," << y;
    }
    index.Clear();
    EXPECT_FALSE(index.Nearest(410, 410, 6.0));
}

// A new feed-line path is drawn over a copy of the grid kept from before the
// old one: the grid layer and the picture must be what a whole redraw gives.
TEST(LinePathOnTheGrid, ChangingThePathLeavesTheWholeRedrawsPixels) {
    auto path = [](double lengthM) {
        const std::vector<TLoad> p = LinePath(*FindLine("RG-213/U"), 7.1, lengthM, {25.0, -40.0});
        return std::vector<TImpedance>(p.begin(), p.end());
    };
    for (int scale : {1, 2}) {
        SCOPED_TRACE(scale);
        auto chart = [scale](TRecordingTarget& target) {
            target.Scale = scale;
            auto c = std::make_unique<TSmithChart>(DesignCx, DesignCy, DesignR, &target);
            c->SetSize(DesignW, DesignH);
            c->SetTrace({{7.0, 30.0, 20.0}, {7.2, 60.0, -35.0}});
            return c;
        };
        TRecordingTarget changedTarget, freshTarget;
        const std::unique_ptr<TSmithChart> changed = chart(changedTarget), fresh = chart(freshTarget);
        for (const double length : {30.0, 45.0, 0.0, 12.5}) {
            SCOPED_TRACE(length);
            changed->SetLinePath(length > 0 ? path(length) : std::vector<TImpedance>{});
            fresh->SetLinePath(length > 0 ? path(length) : std::vector<TImpedance>{});
            fresh->ClearGridLayer();
            fresh->DrawGrid();
            fresh->Present();
            EXPECT_TRUE(changed->GridLayer().Image() == fresh->GridLayer().Image());
            EXPECT_TRUE(changedTarget.Picture == freshTarget.Picture);
        }
    }
}
