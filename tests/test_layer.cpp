#include "layer.h"

#include <QGuiApplication>
#include <QPalette>
#include <QRect>
#include <array>
#include <cmath>
#include <gtest/gtest.h>
#include <random>
#include <vector>

namespace {

constexpr TColor FillColour = 0x123456;

TLayer Blank(int w, int h) {
    TLayer layer;
    layer.SetSize(w, h);
    return layer;
}

// Bounding box of all pixels of one colour; null when there are none.
QRect Bounds(const TLayer& layer, TColor color) {
    QRect box;
    for (int y = 0; y < layer.Height(); ++y)
        for (int x = 0; x < layer.Width(); ++x)
            if (layer.Pixel(x, y) == color) box |= QRect(x, y, 1, 1);
    return box;
}

int Count(const TLayer& layer, TColor color) {
    int n = 0;
    for (int y = 0; y < layer.Height(); ++y)
        for (int x = 0; x < layer.Width(); ++x)
            n += layer.Pixel(x, y) == color;
    return n;
}

TLayer Outline(int w, int h, int l, int t, int r, int b) {
    TLayer layer = Blank(w, h);
    layer.Brush = {clGreen, TBrushStyle::Clear};
    layer.Ellipse(l, t, r, b);
    return layer;
}

// Fills from a point outside the outline; nothing well inside may be reached,
// everything well outside must be.
void ExpectClosed(int l, int t, int r, int b) {
    TLayer layer = Outline(823, 710, l, t, r, b);
    layer.Brush.Color = FillColour;
    layer.FloodFill(0, 0, clBlack);
    const double cx = (l + r - 1) / 2.0, cy = (t + b - 1) / 2.0, radius = (r - l - 1) / 2.0;
    for (int y = 0; y < layer.Height(); ++y)
        for (int x = 0; x < layer.Width(); ++x) {
            const double d = std::hypot(x - cx, y - cy);
            if (d < radius - 1.5) {
                ASSERT_NE(layer.Pixel(x, y), FillColour) << x << "," << y;
            } else if (d > radius + 1.5) {
                ASSERT_EQ(layer.Pixel(x, y), FillColour) << x << "," << y;
            }
        }
}

} // namespace

TEST(LayerSize, ResizeKeepsOverlapAndWhitensGainedPixels) {
    TLayer layer;
    layer.SetWidth(4); // no pixels yet, but the width is kept for SetHeight
    layer.SetHeight(3);
    EXPECT_EQ(Count(layer, clWhite), 12);
    layer.Brush.Color = clRed;
    layer.FillRect({0, 0, 4, 3});
    layer.SetSize(6, 2);
    layer.SetSize(6, 4);
    EXPECT_EQ(Bounds(layer, clRed), QRect(0, 0, 4, 2));
    EXPECT_EQ(Count(layer, clWhite), 24 - 8);
}

TEST(LayerSize, EmptyLayerIgnoresDrawing) {
    TLayer layer = Blank(50, 0);
    layer.FillRect({0, 0, 50, 50});
    layer.Ellipse(0, 0, 40, 40);
    layer.LineTo(40, 40);
    layer.Arc(0, 0, 40, 40, 0, 0, 40, 0);
    layer.FloodFill(1, 1, clBlack);
    layer.TextOut(0, 0, "x");
    layer.CopyRect({0, 0, 10, 10}, Blank(10, 10), {0, 0, 10, 10});
    EXPECT_EQ(layer.Width(), 50);
    EXPECT_TRUE(layer.Image().isNull());
}

TEST(LayerColor, PlainAndSystemColours) {
    EXPECT_EQ(ColorToRgb(0x563412), qRgb(0x12, 0x34, 0x56));
    EXPECT_EQ(RgbToColor(qRgb(0x12, 0x34, 0x56)), 0x563412);
    // Distinct roles, so that a system colour resolved through the wrong role shows.
    const QPalette saved = QGuiApplication::palette();
    QPalette palette = saved;
    palette.setColor(QPalette::Button, QColor(1, 2, 3));
    palette.setColor(QPalette::Base, QColor(4, 5, 6));
    palette.setColor(QPalette::Text, QColor(7, 8, 9));
    palette.setColor(QPalette::Window, QColor(10, 11, 12));
    QGuiApplication::setPalette(palette);
    EXPECT_EQ(ColorToRgb(clBtnFace), qRgb(1, 2, 3));
    EXPECT_EQ(ColorToRgb(clWindow), qRgb(4, 5, 6));
    EXPECT_EQ(ColorToRgb(clWindowText), qRgb(7, 8, 9));
    EXPECT_EQ(ColorToRgb(static_cast<TColor>(0xFF000004u)), qRgb(10, 11, 12)); // menu
    QGuiApplication::setPalette(saved);
}

TEST(LayerFillRect, RightAndBottomAreExclusiveAndClipped) {
    TLayer layer = Blank(10, 10);
    layer.Brush = {clRed, TBrushStyle::Clear}; // FillRect ignores the style
    layer.FillRect({2, 3, 5, 7});
    EXPECT_EQ(Bounds(layer, clRed), QRect(2, 3, 3, 4));
    layer.FillRect({-5, 8, 20, 30});
    EXPECT_EQ(Count(layer, clRed), 12 + 20);
}

TEST(LayerEllipse, OutlineSpansTheBoxSymmetrically) {
    const TLayer ref = Outline(30, 30, 10, 10, 20, 20);
    EXPECT_EQ(Bounds(ref, clBlack), QRect(10, 10, 10, 10));
    EXPECT_EQ(ref.Image(), Outline(30, 30, 20, 20, 10, 10).Image());
    EXPECT_EQ(Count(Outline(30, 30, 10, 10, 10, 20), clBlack), 0);

    for (int w = 1; w <= 24; ++w)
        for (int h = 1; h <= 24; ++h) {
            const TLayer layer = Outline(30, 30, 2, 3, 2 + w, 3 + h);
            ASSERT_EQ(Bounds(layer, clBlack), QRect(2, 3, w, h)) << w << "x" << h;
            for (int y = 3; y < 3 + h; ++y)
                for (int x = 2; x < 2 + w; ++x) {
                    const TColor c = layer.Pixel(x, y);
                    ASSERT_EQ(c, layer.Pixel(2 + 2 + w - 1 - x, y)) << w << "x" << h;
                    ASSERT_EQ(c, layer.Pixel(x, 3 + 3 + h - 1 - y)) << w << "x" << h;
                }
        }
}

TEST(LayerEllipse, BrushFillsInsidePenDrawsOutline) {
    TLayer layer = Blank(40, 40);
    layer.Pen.Color = clBlue;
    layer.Brush.Color = clRed;
    layer.Ellipse(10, 10, 31, 31);
    EXPECT_EQ(layer.Pixel(20, 20), clRed);
    EXPECT_EQ(layer.Pixel(10, 20), clBlue);
    EXPECT_EQ(layer.Pixel(30, 20), clBlue);
    EXPECT_TRUE(QRect(11, 11, 19, 19).contains(Bounds(layer, clRed)));
    EXPECT_EQ(Bounds(layer, clBlue), QRect(10, 10, 21, 21));
    EXPECT_EQ(layer.Pixel(11, 11), clWhite); // outside the curve, inside the box

    TLayer hollow = Outline(40, 40, 10, 10, 31, 31);
    EXPECT_EQ(Count(hollow, clWhite) + Count(hollow, clBlack), 1600);
    EXPECT_EQ(hollow.Pixel(20, 20), clWhite);
}

TEST(LayerEllipse, OutlineIsClosedForFloodFill) {
    for (int r : {1, 2, 3, 4, 5, 30, 330, 331}) {
        SCOPED_TRACE(r);
        ExpectClosed(411 - r, 355 - r, 411 + r + 1, 355 + r + 1);
        ExpectClosed(411 - r, 355 - r, 411 + r, 355 + r);
    }
    // Boxes reaching far beyond the layer; only the top of the curve crosses it.
    for (int r : {1650, 5000})
        ExpectClosed(411 - r, 250, 411 + r + 1, 250 + 2 * r + 1);
}

TEST(LayerLine, EndPixelExcludedAndPositionMoves) {
    TLayer layer = Blank(20, 20);
    layer.MoveTo(2, 5);
    layer.LineTo(8, 5);
    EXPECT_EQ(Bounds(layer, clBlack), QRect(2, 5, 6, 1));
    EXPECT_EQ(QPoint(layer.PenPosX(), layer.PenPosY()), QPoint(8, 5));
    layer.LineTo(8, 5);
    layer.LineTo(8, 1); // upwards: 8,5 .. 8,2
    layer.LineTo(3, 6); // diagonal down-left: 8,1 .. 4,5
    EXPECT_EQ(Count(layer, clBlack), 6 + 4 + 4);
    EXPECT_EQ(layer.Pixel(8, 1), clBlack);
    EXPECT_EQ(layer.Pixel(4, 5), clBlack);
    EXPECT_EQ(layer.Pixel(3, 6), clWhite);

    TLayer steep = Blank(20, 20);
    steep.LineTo(3, 10); // one pixel per row 0..9, drifting right to column 3
    EXPECT_EQ(Count(steep, clBlack), 10);
    EXPECT_EQ(Bounds(steep, clBlack), QRect(0, 0, 4, 10));
}

TEST(LayerLine, DotsWideAndFarOutside) {
    TLayer layer = Blank(50, 50);
    layer.Pen.Style = TPenStyle::Dot;
    layer.LineTo(10, 0);
    for (int x = 0; x < 10; ++x)
        EXPECT_EQ(layer.Pixel(x, 0), x % 2 ? clWhite : clBlack) << x;

    layer.Pen = {clRed, 3, TPenStyle::Solid};
    layer.MoveTo(30, 10);
    layer.LineTo(40, 10);
    EXPECT_EQ(Bounds(layer, clRed), QRect(29, 9, 12, 3));

    layer.Pen.Width = 1;
    layer.MoveTo(-100000, 40);
    layer.LineTo(100000, 40);
    layer.MoveTo(-100000, -100000);
    layer.LineTo(100000, 100000);
    EXPECT_EQ(Count(layer, clRed), 36 + 50 + 49);
    EXPECT_EQ(layer.Pixel(49, 49), clRed);
}

// Whether the outline pixel lies on the counter-clockwise (on screen) sweep
// from s to e about (30, 30), by floating-point angles.
bool OnSweep(QPoint p, QPoint s, QPoint e) {
    const double turn = 2 * M_PI;
    auto angle = [](QPoint q) { return std::atan2(30.0 - q.y(), q.x() - 30.0); };
    const double at = std::fmod(angle(p) - angle(s) + 2 * turn, turn);
    const double span = std::fmod(angle(e) - angle(s) + 2 * turn, turn);
    return at <= span + 1e-9 || at > turn - 1e-9;
}

TEST(LayerArc, SweepsCounterClockwiseOnScreen) {
    const TLayer full = Outline(60, 60, 10, 10, 51, 51); // centre 30,30
    const QPoint right(100, 30), up(30, -100), left(-100, 30), down(30, 100), upRight(50, 10);
    std::vector<std::array<QPoint, 2>> rays = {{right, up},   {up, left},      {left, down},
                                               {down, right}, {upRight, down}, {left, upRight}};
    // And rays every way, also along the axes where whole quadrants are taken at once.
    std::mt19937 random(3);
    std::uniform_int_distribution<int> at(-70, 130);
    while (rays.size() < 200) {
        const int k = int(rays.size()) % 3;
        const QPoint s(at(random), k == 0 ? 30 : at(random)), e(k == 1 ? 30 : at(random), at(random));
        const QPoint a = s - QPoint(30, 30), b = e - QPoint(30, 30);
        const long cross = long(a.x()) * b.y() - long(a.y()) * b.x(),
                   dot = long(a.x()) * b.x() + long(a.y()) * b.y();
        if (a.isNull() || b.isNull() || (cross == 0 && dot > 0)) continue; // the whole outline
        rays.push_back({s, e});
    }
    for (const auto& pair : rays)
        for (bool reversed : {false, true}) {
            const QPoint s = pair[reversed ? 1 : 0], e = pair[reversed ? 0 : 1];
            TLayer arc = Blank(60, 60);
            arc.Arc(10, 10, 51, 51, s.x(), s.y(), e.x(), e.y());
            for (int y = 0; y < 60; ++y)
                for (int x = 0; x < 60; ++x) {
                    const bool want = full.Pixel(x, y) == clBlack && OnSweep({x, y}, s, e);
                    ASSERT_EQ(arc.Pixel(x, y) == clBlack, want) << x << "," << y;
                }
        }

    // From the right ray counter-clockwise goes up the screen first.
    TLayer quarter = Blank(60, 60);
    quarter.Arc(10, 10, 51, 51, right.x(), right.y(), up.x(), up.y());
    EXPECT_EQ(Bounds(quarter, clBlack), QRect(30, 10, 21, 21));

    TLayer whole = Blank(60, 60);
    whole.Arc(10, 10, 51, 51, 100, 30, 60, 30);
    EXPECT_EQ(whole.Image(), full.Image());
}

TEST(LayerFloodFill, FourConnectedAndBounded) {
    TLayer layer = Blank(10, 10);
    for (int i = 0; i < 10; ++i)
        layer.MoveTo(i, 9 - i), layer.LineTo(i + 1, 9 - i);
    layer.Brush.Color = clRed;
    layer.FillRect({1, 1, 2, 2}); // another colour is painted over
    layer.Brush.Color = FillColour;
    layer.FloodFill(-1, 0, clBlack);
    layer.FloodFill(0, 9, clBlack);
    EXPECT_EQ(Count(layer, FillColour), 0);
    layer.FloodFill(0, 0, clBlack);
    EXPECT_EQ(Count(layer, FillColour), 45); // x + y < 9; the diagonal gaps hold
    EXPECT_EQ(Count(layer, clRed), 0);

    // A long serpentine corridor; filling with the border colour still ends.
    TLayer maze = Blank(1000, 1000);
    for (int y = 1; y < 1000; y += 2) {
        maze.MoveTo(y % 4 == 1 ? 0 : 1, y);
        maze.LineTo(y % 4 == 1 ? 999 : 1000, y);
    }
    maze.Brush.Color = clBlack;
    maze.FloodFill(0, 0, clBlack);
    EXPECT_EQ(Count(maze, clBlack), 1000 * 1000);
}

TEST(LayerText, FontColourAndBackgroundCell) {
    TLayer layer = Blank(300, 80);
    layer.Font = {30, clRed};
    layer.Brush = {clBlue, TBrushStyle::Clear};
    layer.TextOut(10, 10, "HW");
    const QRect glyphs = Bounds(layer, clRed);
    ASSERT_FALSE(glyphs.isNull());
    EXPECT_EQ(Count(layer, clBlue), 0);
    EXPECT_GE(glyphs.left(), 10);
    EXPECT_GE(glyphs.top(), 10);
    // 30 pt at 96 dpi is 40 px; capitals take about 70 % of that.
    EXPECT_GT(glyphs.height(), 25);
    EXPECT_LE(glyphs.height(), 40);

    layer.Brush.Style = TBrushStyle::Solid;
    layer.TextOut(10, 10, "HW");
    const QRect cell = Bounds(layer, clBlue) | glyphs;
    EXPECT_EQ(cell.topLeft(), QPoint(10, 10));
    EXPECT_TRUE(cell.contains(glyphs));
    EXPECT_EQ(Bounds(layer, clRed), glyphs);
}

TEST(LayerCopyRect, CopyAndAndWithClipping) {
    TLayer red = Blank(10, 10);
    red.Brush.Color = clRed;
    red.FillRect({0, 0, 10, 10});
    TLayer layer = Blank(10, 10);
    layer.Brush.Color = clSilver;
    layer.FillRect({0, 0, 5, 10});
    layer.CopyMode = TCopyMode::And;
    layer.CopyRect({2, 2, 8, 5}, red, {0, 0, 6, 3});
    EXPECT_EQ(Bounds(layer, 0x0000C0), QRect(2, 2, 3, 3));
    EXPECT_EQ(Bounds(layer, clRed), QRect(5, 2, 3, 3)); // white AND red

    layer.CopyMode = TCopyMode::Copy;
    red.Brush.Color = clGreen;
    red.FillRect({0, 0, 1, 1});
    layer.CopyRect({6, 6, 12, 12}, red, {-2, -2, 4, 4}); // clipped on both sides
    EXPECT_EQ(layer.Pixel(8, 8), clGreen);
    EXPECT_EQ(Count(layer, clGreen), 1);
    EXPECT_EQ(Count(layer, clRed), 9 + 3);

    // Within one layer, shifting down a row: rows must not be read after being written.
    TLayer strip = Blank(3, 4);
    strip.Brush.Color = clRed;
    strip.FillRect({0, 0, 3, 1});
    strip.CopyRect({0, 1, 3, 4}, strip, {0, 0, 3, 3});
    EXPECT_EQ(Bounds(strip, clRed), QRect(0, 0, 3, 2));
}
