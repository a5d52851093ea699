// At device scale 2 the chart keeps its layer-pixel geometry and is drawn at
// twice the resolution, not doubled into 2 x 2 blocks.
#include "chartfixture.h"

#include <cmath>
#include <functional>
#include <gtest/gtest.h>

namespace {

class HiDpiTest : public testing::Test {
protected:
    TRecordingTarget Target;
    TSmithChart Chart{DesignCx, DesignCy, DesignR, &Target};
    HiDpiTest() {
        Target.Scale = 2;
        Chart.SetSize(DesignW, DesignH);
    }
    // Share of the points of a circle (device pixels, centre and radius as
    // continuous coordinates) with a pixel of the colour within one pixel.
    double ShareOnCircle(TColor colour, double cx, double cy, double radius) const {
        const int samples = 720;
        int hits = 0;
        for (int i = 0; i < samples; ++i) {
            const double a = 2 * M_PI * i / samples;
            const int x = int(std::floor(cx + radius * std::cos(a)));
            const int y = int(std::floor(cy + radius * std::sin(a)));
            bool hit = false;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx)
                    hit |= Target.PixelAt(x + dx, y + dy) == colour;
            hits += hit;
        }
        return double(hits) / samples;
    }
};

TEST_F(HiDpiTest, TheSameChartInLayerPixelsAtTwiceTheResolution) {
    EXPECT_EQ(Chart.Composite().Width(), DesignW);
    EXPECT_EQ(Chart.GetLayerRect(), (TRect{0, 0, DesignW, DesignH}));
    EXPECT_EQ(Target.Picture.size(), QSize(2 * DesignW, 2 * DesignH));
    EXPECT_EQ(Target.Picture, Chart.Composite().Image());
}

TEST_F(HiDpiTest, RingAxisAndUnitCircleWhereTheyBelongInDevicePixels) {
    const int cx = 2 * DesignCx, cy = 2 * DesignCy, r = 2 * DesignR;
    // The ring, one layer pixel outside the unit circle, two device pixels wide.
    EXPECT_GT(ShareOnCircle(clGray, cx, cy, r + 1), 0.99);
    EXPECT_LT(ShareOnCircle(clGray, cx, cy, r + 5), 0.05);
    for (int y : {cy, cy + 1}) {
        EXPECT_EQ(Target.PixelAt(cx + r, y), clGray);
        EXPECT_EQ(Target.PixelAt(cx + r + 1, y), clGray);
        EXPECT_EQ(Target.PixelAt(cx - r - 1, y), clGray);
        EXPECT_NE(Target.PixelAt(cx + r + 2, y), clGray);
    }
    // The axis keeps its layer-pixel width: two device rows, end to end.
    for (int x = cx - r; x < cx + r; x += 7) {
        EXPECT_EQ(Target.PixelAt(x, cy), clBlack) << x;
        EXPECT_EQ(Target.PixelAt(x, cy + 1), clBlack) << x;
        EXPECT_NE(Target.PixelAt(x, cy - 1), clBlack) << x;
        EXPECT_NE(Target.PixelAt(x, cy + 2), clBlack) << x;
    }
    // The red r = 1 circle: centre half a radius right, stroke centred one
    // device pixel inside its box. Other circles cross it here and there.
    EXPECT_GT(ShareOnCircle(clRed, cx + DesignR, cy, DesignR - 1), 0.9);
    EXPECT_LT(ShareOnCircle(clRed, cx + DesignR, cy, DesignR + 4), 0.3);
}

TEST_F(HiDpiTest, CurvesAreNotPixelDoubled) {
    // Aligned 2 x 2 blocks holding ring or grid-circle pixels: doubled, every
    // one would be uniform; drawn at the device resolution, many are not.
    const QImage& p = Target.Picture;
    const std::function<bool(QRgb)> onCurve = [](QRgb c) {
        const TColor t = RgbToColor(c);
        return t == clGray || t == clRed || t == clSilver;
    };
    int blocks = 0, mixed = 0;
    for (int y = 0; y + 1 < p.height(); y += 2)
        for (int x = 0; x + 1 < p.width(); x += 2) {
            const QRgb b[4] = {p.pixel(x, y), p.pixel(x + 1, y), p.pixel(x, y + 1),
                               p.pixel(x + 1, y + 1)};
            if (!onCurve(b[0]) && !onCurve(b[1]) && !onCurve(b[2]) && !onCurve(b[3])) continue;
            ++blocks;
            mixed += !(b[0] == b[1] && b[1] == b[2] && b[2] == b[3]);
        }
    EXPECT_GT(blocks, 5000);
    EXPECT_GT(double(mixed) / blocks, 0.4) << mixed << " of " << blocks;
}

TEST_F(HiDpiTest, ReadingsAndTheCrosshairKeepLayerPixels) {
    TRecordingTarget plainTarget;
    TSmithChart plain(DesignCx, DesignCy, DesignR, &plainTarget);
    plain.SetSize(DesignW, DesignH);
    for (auto [x, y] : {std::pair{DesignCx, DesignCy}, {576, 356}, {246, 191}, {700, 600}}) {
        TReading a, b;
        ASSERT_TRUE(Chart.ReadPointer(x, y, true, a));
        ASSERT_TRUE(plain.ReadPointer(x, y, true, b));
        EXPECT_EQ(TSmithChart::ReadoutTexts(a), TSmithChart::ReadoutTexts(b));
        // The dotted line through y: dots of two device pixels, on two rows.
        const QImage& cursor = Chart.CursorLayer().Image();
        int green = 0;
        for (int dx = 0; dx < cursor.width(); ++dx)
            for (int dy = -1; dy <= 2; ++dy) {
                const bool g = RgbToColor(cursor.pixel(dx, 2 * y + dy)) == clGreen;
                if (dy < 0 || dy > 1) {
                    EXPECT_FALSE(g && dx < 2 * x - 10) << dx << "," << dy;
                } else {
                    green += g;
                }
            }
        EXPECT_NEAR(green, cursor.width(), 8);
    }
}

} // namespace
