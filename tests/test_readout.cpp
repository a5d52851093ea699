// The pointer readout: readings, texts, the crosshair and when nothing is read.
#include "chartfixture.h"

#include <cmath>
#include <gtest/gtest.h>

namespace {

class ReadoutTest : public DesignChartTest {
protected:
    // Offsets are right and up from the centre, as a user reads the chart.
    bool Read(int right, int up, TReading& r, bool draw = false) {
        return Chart.ReadPointer(DesignCx + right, DesignCy - up, draw, r);
    }
    int GreenOnRow(int y) const {
        int n = 0;
        for (int x = 0; x < DesignW; ++x)
            n += Chart.CursorLayer().Pixel(x, y) == clGreen;
        return n;
    }
};

TEST_F(ReadoutTest, ReadingsAtKnownPositions) {
    struct Row {
        int right, up;
        double swr, theta, r, x;
        const char* texts[4];
    } rows[] = {
        {0, 0, 1, 0, 50, 0, {"ro 00.00", "PSV 1.000", "Rx 50.000", "Xx 0.000"}},
        {165, 0, 3, 0, 150, 0, {"ro 00.00", "PSV 3.000", "Rx 150.000", "Xx 0.000"}},
        {-165, 0, 3, 180, 16.6667, 0, {"ro 180.00", "PSV 3.000", "Rx 16.667", "Xx 0.000"}},
        {0, 165, 3, 90, 30, 40, {"ro 90.00", "PSV 3.000", "Rx 30.000", "Xx 40.000"}},
        {0, -165, 3, -90, 30, -40, {"ro -90.00", "PSV 3.000", "Rx 30.000", "Xx -40.000"}},
        {-165, 165, 5.8284, 135, 10, 20, {"ro 135.00", "PSV 5.828", "Rx 10.000", "Xx 20.000"}},
        {165, -165, 5.8284, -45, 50, -100, {"ro -45.00", "PSV 5.828", "Rx 50.000", "Xx -100.000"}},
        {-165, -165, 5.8284, -135, 10, -20, {"ro -135.00", "PSV 5.828", "Rx 10.000", "Xx -20.000"}},
        // Outside the chart: a positive SWR and a negative resistance.
        {660, 330, 2.618, 26.57, -100, 50, {"ro 26.57", "PSV 2.618", "Rx -100.000", "Xx 50.000"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.right << "," << row.up);
        TReading r;
        ASSERT_TRUE(Read(row.right, row.up, r));
        EXPECT_NEAR(r.Swr, row.swr, 5e-4);
        EXPECT_NEAR(r.Theta, row.theta, 5e-3);
        EXPECT_NEAR(r.R, row.r, 5e-4);
        EXPECT_NEAR(r.X, row.x, 5e-4);
        const auto texts = TSmithChart::ReadoutTexts(r);
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(texts[i], QString::fromUtf8(row.texts[i]));
    }
}

TEST_F(ReadoutTest, OnTheUnitCircleNothingIsReadOrDrawn) {
    TReading r;
    ASSERT_TRUE(Read(100, 50, r, true));
    const int presents = Target.Presents;
    const QImage before = Chart.CursorLayer().Image().copy();
    TReading untouched{7, 8, 9, 10};
    for (auto [right, up] : {std::pair{330, 0}, {-330, 0}, {0, 330}, {0, -330}}) {
        EXPECT_FALSE(Read(right, up, untouched, true));
        EXPECT_EQ(untouched.Swr, 7);
        EXPECT_EQ(untouched.X, 10);
    }
    // The previous crosshair stays on the layer and nothing was presented.
    EXPECT_EQ(Chart.CursorLayer().Image(), before);
    EXPECT_EQ(Target.Presents, presents);
}

TEST_F(ReadoutTest, DrawingPutsCrosshairAndTextsBesideThePointer) {
    TReading r;
    const int presents = Target.Presents;
    const int x = DesignCx + 100, y = DesignCy - 80;
    ASSERT_TRUE(Chart.ReadPointer(x, y, true, r));
    EXPECT_EQ(Target.Presents, presents + 1);
    // Dotted lines: about every other pixel along the row and the column.
    EXPECT_GT(GreenOnRow(y), DesignW / 3);
    int column = 0;
    for (int yy = 15; yy < DesignH - 35; ++yy)
        column += Chart.CursorLayer().Pixel(x, yy) == clGreen;
    EXPECT_GT(column, (DesignH - 50) / 3);
    // The vertical line stops short of the top and the bottom.
    EXPECT_NE(Chart.CursorLayer().Pixel(x, 10), clGreen);
    EXPECT_NE(Chart.CursorLayer().Pixel(x, DesignH - 20), clGreen);
    // Green texts above the pointer, the purple reactance text at its row.
    auto colourIn = [&](TColor c, int top, int bottom) {
        for (int yy = top; yy < bottom; ++yy)
            for (int xx = x + 3; xx < x + 100; ++xx)
                if (Chart.CursorLayer().Pixel(xx, yy) == c) return true;
        return false;
    };
    EXPECT_TRUE(colourIn(clGreen, y - 60, y - 42));
    EXPECT_TRUE(colourIn(clPurple, y + 1, y + 14));
    // White pixels of the cursor layer leave the grid visible after composition.
    EXPECT_EQ(Target.PixelAt(5, 5), RgbToColor(ColorToRgb(clBtnFace)));
}

TEST_F(ReadoutTest, DrawOffClearsTheCursorLayerWithoutPresenting) {
    TReading a, b;
    ASSERT_TRUE(Read(40, 40, a, true));
    ASSERT_GT(GreenOnRow(DesignCy - 40), 0);
    const int presents = Target.Presents;
    ASSERT_TRUE(Read(40, 40, b, false));
    EXPECT_EQ(GreenOnRow(DesignCy - 40), 0);
    EXPECT_EQ(Target.Presents, presents);
    EXPECT_EQ(a.Swr, b.Swr);
    EXPECT_EQ(a.Theta, b.Theta);
    EXPECT_EQ(a.R, b.R);
    EXPECT_EQ(a.X, b.X);
}

TEST_F(ReadoutTest, NegativePositionsReadTrueAndDrawMirrored) {
    TReading r;
    ASSERT_TRUE(Chart.ReadPointer(-20, -30, true, r));
    // The reading belongs to the true position, up and left outside the box.
    const double a = (DesignCx + 20.0) / DesignR, b = (DesignCy + 30.0) / DesignR;
    const double m = std::hypot(a, b);
    EXPECT_NEAR(r.Swr, std::fabs((1 + m) / (1 - m)), 1e-9);
    EXPECT_GT(r.Theta, 90);
    EXPECT_LT(r.R, 0);
    // The crosshair is drawn at (20, 30).
    EXPECT_GT(GreenOnRow(30), DesignW / 3);
}

} // namespace
