// The L-network solver: arrangement, transition point and the first move.
#include "fpcheck.h"
#include "smithchart.h"

#include <cmath>
#include <gtest/gtest.h>

namespace {

constexpr int Cx = 411, Cy = 356, R = 330;

struct Row {
    double phi, swr;
    double antR, antX;
    bool isCL;
    double k, angle, magnitude, matchSwr, arcCentre;
    double transR, transX;
};

// Expected values worked out by hand from the geometry of the chart.
const Row Rows[] = {
    {0, 2, 100, 0, true, 0.666667, -63.4349, 0.447214, 2.618034, -0.333333, 50, -50},
    {180, 2, 25, 0, false, 0.666667, 116.5651, 0.447214, 2.618034, 0.333333, 25, 25},
    {-180, 2, 25, 0, false, 0.666667, 116.5651, 0.447214, 2.618034, 0.333333, 25, 25},
    {0, 4, 200, 0, true, 0.8, -49.1066, 0.654654, 4.791288, -0.2, 50, -86.603},
    {63.434949, 2.618034, 50, 50, true, 0.666667, -63.4349, 0.447214, 2.618034, -0.333333, 50, -50},
    {90, 3, 30, 40, true, 0.625, -67.7923, 0.377964, 2.215250, -0.375, 50, -40.825},
    {-90, 3, 30, -40, false, 0.625, 112.2077, 0.377964, 2.215250, 0.375, 30, 24.495},
    {45, 3, 69.074, 65.124, true, 0.722951, -57.6120, 0.535650, 3.307096, -0.277049, 50, -63.433},
    {-45, 3, 69.074, -65.124, true, 0.722951, -57.6120, 0.535650, 3.307096, -0.277049, 50, -63.433},
    {135, 3, 19.161, 18.065, false, 0.722951, 122.3880, 0.535650, 3.307096, 0.277049, 19.161,
     24.309},
    {-135, 3, 19.161, -18.065, false, 0.722951, 122.3880, 0.535650, 3.307096, 0.277049, 19.161,
     24.309},
};

class SolverTest : public testing::Test {
protected:
    // Unsized: the records are what matter here, not the pixels.
    TSmithChart Chart{Cx, Cy, R, nullptr};
};

TEST_F(SolverTest, TableOfKnownLoads) {
    for (const Row& row : Rows) {
        SCOPED_TRACE(testing::Message() << "phi " << row.phi << " S " << row.swr);
        const size_t markers = Chart.Markers().size(), arcs = Chart.Arcs().size();
        TMatch match;
        Chart.SolveMatch(row.phi, row.swr, match);
        EXPECT_EQ(match.IsCL, row.isCL);
        EXPECT_NEAR(match.MatchAngle, row.angle, 5e-5);
        EXPECT_NEAR(match.MatchMagnitude, row.magnitude, 5e-7);
        EXPECT_NEAR(match.MatchSwr, row.matchSwr, 5e-6);
        const TImpedance t = TSmithChart::GammaToImpedance(match.MatchAngle, match.MatchMagnitude);
        EXPECT_NEAR(t.R, row.transR, 5e-4);
        EXPECT_NEAR(t.X, row.transX, 5e-4);

        // The blue antenna marker first, then one arc.
        ASSERT_EQ(Chart.Markers().size(), markers + 1);
        const TMarkerRec& blue = *Chart.Markers().back();
        EXPECT_EQ(blue.Color, 0xFF0000);
        EXPECT_FALSE(blue.IsSwrCircle);
        const double m = 1 - 2 / (row.swr + 1);
        const double rad = row.phi * M_PI / 180;
        EXPECT_NEAR(blue.PosX, Cx + R * m * std::cos(rad), 0.51);
        EXPECT_NEAR(blue.PosY, Cy - R * m * std::sin(rad), 0.51);

        ASSERT_EQ(Chart.Arcs().size(), arcs + 1);
        const TArcRec& arc = *Chart.Arcs().back();
        EXPECT_NEAR(arc.BoxLeft, Cx + R * (row.arcCentre - row.k), 0.51);
        EXPECT_NEAR(arc.BoxRight, Cx + R * (row.arcCentre + row.k), 0.51);
        EXPECT_NEAR(arc.BoxTop, Cy - R * row.k, 0.51);
        EXPECT_NEAR(arc.BoxBottom, Cy + R * row.k, 0.51);
        // The arc runs from the transition point to the antenna point.
        const double ta = row.angle * M_PI / 180;
        EXPECT_NEAR(arc.StartX, Cx + R * row.magnitude * std::cos(ta), 0.51);
        EXPECT_NEAR(arc.StartY, Cy - R * row.magnitude * std::sin(ta), 0.51);
        EXPECT_EQ(arc.EndX, blue.PosX);
        EXPECT_EQ(arc.EndY, blue.PosY);
    }
}

TEST_F(SolverTest, TransitionPointsLieOnTheUnitResistanceOrConductanceCircle) {
    for (double phi = -180; phi <= 180; phi += 7.5) {
        for (double swr : {1.2, 2.0, 5.0, 30.0}) {
            TMatch match;
            Chart.SolveMatch(phi, swr, match);
            const TImpedance t =
                TSmithChart::GammaToImpedance(match.MatchAngle, match.MatchMagnitude);
            SCOPED_TRACE(testing::Message() << phi << " " << swr);
            if (match.IsCL) {
                EXPECT_NEAR(t.R, 50, 1e-6);
                EXPECT_LE(t.X, 1e-9);
            } else {
                EXPECT_NEAR(t.R / (t.R * t.R + t.X * t.X), 1.0 / 50, 1e-9);
                EXPECT_GE(t.X, -1e-9);
            }
        }
    }
}

TEST_F(SolverTest, MatchedLoadIsNotAnError) {
    TMatch match;
    match.MatchMagnitude = 0.77;
    EXPECT_NO_THROW(Chart.SolveMatch(0, 1, match));
    EXPECT_TRUE(match.IsCL);
    EXPECT_EQ(match.MatchMagnitude, 0.0);
    EXPECT_EQ(match.MatchSwr, 1.0);
    EXPECT_EQ(match.MatchAngle, 0.0);
    ASSERT_EQ(Chart.Markers().size(), 1u);
    EXPECT_EQ(Chart.Markers()[0]->PosX, Cx);
    EXPECT_EQ(Chart.Markers()[0]->PosY, Cy);
    EXPECT_TRUE(Chart.Arcs().empty());
}

TEST_F(SolverTest, PointsOnTheUnitResistanceCircleBelowTheAxisAlwaysGetATransitionPoint) {
    // Rounding may decide LC for R = 50, X < 0, where LC has no transition
    // point; the answer must then be the series inductor alone.
    int checked = 0;
    for (double x = -5; x >= -400; x -= 0.37) {
        const TPolarOfImpedance p = ImpedanceToPolar(50, x, 50);
        TMatch match;
        ASSERT_NO_THROW(Chart.SolveMatch(p.Theta, p.Swr, match));
        const TImpedance t = TSmithChart::GammaToImpedance(match.MatchAngle, match.MatchMagnitude);
        const TImpedance load = TSmithChart::GammaToImpedance(p.Theta, 1 - 2 / (p.Swr + 1));
        SCOPED_TRACE(x);
        if (match.IsCL) {
            EXPECT_NEAR(t.R, 50, 1e-6);
            EXPECT_NEAR(t.X, load.X, 1e-6 * std::fabs(x));
        } else {
            // A rounding-decided LC must still end on g = 1 above the axis.
            EXPECT_NEAR(t.R / (t.R * t.R + t.X * t.X), 1.0 / 50, 1e-9);
        }
        // Never the left end of the axis (SWR 0) that an early exit would give.
        EXPECT_GE(match.MatchSwr, 1.0);
        ++checked;
    }
    EXPECT_GT(checked, 1000);
}

TEST_F(SolverTest, EveryCallAddsTheBlueMarkerFirst) {
    TMatch match;
    Chart.SolveMatch(45, 3, match);
    Chart.SolveMatch(0, 1, match);
    Chart.SolveMatch(-135, 3, match);
    ASSERT_EQ(Chart.Markers().size(), 3u);
    for (const auto& m : Chart.Markers())
        EXPECT_EQ(m->Color, 0xFF0000);
    EXPECT_EQ(Chart.Arcs().size(), 2u);
}

} // namespace
