// Point markers, arcs and SWR circles on their layers.
#include "chartfixture.h"
#include "fpcheck.h"

#include <gtest/gtest.h>

namespace {

class MarkerTest : public DesignChartTest {
protected:
    bool Contains(const TLayer& layer, TColor c, int left, int top, int right, int bottom) const {
        for (int y = top; y < bottom; ++y)
            for (int x = left; x < right; ++x)
                if (layer.Pixel(x, y) == c) return true;
        return false;
    }
};

TEST_F(MarkerTest, ColourZeroOrLessDrawsRed) {
    Chart.AddPolarMarker(0, 30, 2);
    Chart.AddPolarMarker(0xFF0000, 100, 2);
    Chart.AddPolarMarker(static_cast<TColor>(0xFF00000F), -100, 2);
    const auto& m = Chart.Markers();
    ASSERT_EQ(m.size(), 3u);
    const TColor expected[] = {clRed, clBlue, clRed};
    for (int i = 0; i < 3; ++i) {
        // Three rings around a white centre through which the grid shows.
        EXPECT_EQ(Chart.MarkerLayer().Pixel(m[i]->PosX - 4, m[i]->PosY), expected[i]) << i;
        EXPECT_EQ(Chart.MarkerLayer().Pixel(m[i]->PosX + 3, m[i]->PosY), expected[i]) << i;
        EXPECT_EQ(Chart.MarkerLayer().Pixel(m[i]->PosX, m[i]->PosY), clWhite) << i;
        EXPECT_EQ(Chart.MarkerLayer().Pixel(m[i]->PosX + 6, m[i]->PosY), clWhite) << i;
    }
    EXPECT_EQ(Target.Presents, 4); // one for the size, one per addition
}

TEST_F(MarkerTest, SwrCircleRadiiAndLabel) {
    struct Row {
        double swr;
        int inner, outer; // radii of the two grey circles on the row of the centre
        int labelTop;
    } rows[] = {{4.2, 203, 204, DesignCy + 191}, {0.5, 109, 110, DesignCy - 122}};
    for (const Row& row : rows) {
        TRecordingTarget target;
        TSmithChart chart(DesignCx, DesignCy, DesignR, &target);
        chart.SetSize(DesignW, DesignH);
        chart.AddImpedanceMarker(true, 0, 0, 0, 50, row.swr);
        const TLayer& c = chart.CircleLayer();
        SCOPED_TRACE(row.swr);
        // Circles of radius q span columns centre - q .. centre + q - 1.
        EXPECT_EQ(c.Pixel(DesignCx - row.outer, DesignCy), clGray);
        EXPECT_EQ(c.Pixel(DesignCx - row.inner, DesignCy), clGray);
        EXPECT_EQ(c.Pixel(DesignCx - row.outer - 1, DesignCy), clWhite);
        EXPECT_EQ(c.Pixel(DesignCx + row.outer - 1, DesignCy), clGray);
        EXPECT_EQ(c.Pixel(DesignCx - row.inner + 1, DesignCy), clWhite);
        // The black label starts at its top-left corner, 15 px left of the centre.
        EXPECT_TRUE(
            Contains(c, clBlack, DesignCx - 15, row.labelTop, DesignCx + 50, row.labelTop + 14));
        EXPECT_FALSE(
            Contains(c, clBlack, DesignCx - 15, row.labelTop - 20, DesignCx + 50, row.labelTop));
        EXPECT_FALSE(Contains(c, clBlack, 0, 0, DesignCx - 15, DesignH));
        EXPECT_TRUE(chart.Markers().back()->IsSwrCircle);
    }
}

TEST_F(MarkerTest, SwrOneIsATinyRingWithItsLabelAboveTheCentre) {
    Chart.AddImpedanceMarker(true, 0, 0, 0, 50, 1.0);
    const TLayer& c = Chart.CircleLayer();
    EXPECT_EQ(c.Pixel(DesignCx - 1, DesignCy - 1), clGray);
    EXPECT_EQ(c.Pixel(DesignCx, DesignCy), clGray);
    EXPECT_EQ(c.Pixel(DesignCx + 1, DesignCy), clWhite);
    EXPECT_TRUE(Contains(c, clBlack, DesignCx - 15, DesignCy - 12, DesignCx + 40, DesignCy + 2));
}

TEST_F(MarkerTest, SwrMinusOneIsRefusedBeforeItIsStored) {
    try {
        Chart.AddImpedanceMarker(true, 0, 0, 0, 50, -1.0);
        FAIL() << "no error";
    } catch (const EMathError& e) {
        EXPECT_STREQ(e.what(), "Floating point division by zero");
    }
    EXPECT_TRUE(Chart.Markers().empty());
    // Later additions keep drawing.
    Chart.AddImpedanceMarker(true, 0, 0, 0, 50, 4.2);
    Chart.AddPolarMarker(0, 45, 2);
    EXPECT_EQ(Chart.Markers().size(), 2u);
    EXPECT_EQ(Chart.CircleLayer().Pixel(DesignCx - 204, DesignCy), clGray);
}

TEST_F(MarkerTest, FailedConversionLeavesTheListsUnchanged) {
    Chart.AddPolarMarker(0, 10, 2);
    EXPECT_THROW(Chart.AddPolarMarker(0, 10, -1), EMathError);
    EXPECT_THROW(Chart.AddArc(0, 0, 0.5, 0, -1, 0, 2), EMathError);
    EXPECT_EQ(Chart.Markers().size(), 1u);
    EXPECT_TRUE(Chart.Arcs().empty());
}

TEST_F(MarkerTest, ArcsAreDrawnOverMarkersAndEverythingStays) {
    Chart.AddImpedanceMarker(true, 0, 0, 0, 50, 3);
    Chart.AddImpedanceMarker(true, 0, 0, 0, 50, 2);
    TMatch match;
    Chart.SolveMatch(0, 2, match); // blue marker at (521, 356), arc through it
    const TMarkerRec& blue = *Chart.Markers().back();
    // The arc crosses the blue marker's ring and wins where they meet.
    EXPECT_EQ(Chart.MarkerLayer().Pixel(blue.PosX - 1, blue.PosY), clGreen);
    // A later marker leaves the circles, their labels and the arc in place.
    const QImage circles = Chart.CircleLayer().Image().copy();
    Chart.AddPolarMarker(0, -150, 5);
    EXPECT_EQ(Chart.CircleLayer().Image(), circles);
    EXPECT_EQ(Chart.MarkerLayer().Pixel(blue.PosX - 1, blue.PosY), clGreen);
    // The green arc over the grid composes as green over white or darker.
    EXPECT_EQ(Target.PixelAt(blue.PosX - 1, blue.PosY) & ~clGreen, 0);
}

} // namespace
