// The feed line: the tanh transform and the exact losses against a ladder of
// many short lumped sections, the textbook identities, the catalogue.
#include "feedline.h"
#include "lnetwork.h"

#include <cmath>
#include <gtest/gtest.h>
#include <random>

namespace {

struct TLadder {
    TComplex Zin;
    double LossDb;
};

// N symmetric T sections, series Z'Δ/2 · shunt Y'Δ · series Z'Δ/2, with
// Z' = γ Z0 and Y' = γ/Z0 per metre: the line as the telegrapher's circuit,
// walked from the load with V and I, nothing of tanh or cosh in it.
TLadder Ladder(const TLine& line, double f, double length, TComplex zl, int n) {
    const TComplex g = line.Gamma(f);
    const TComplex zs = g * line.Z0 * (length / n) / 2.0, yp = g / line.Z0 * (length / n);
    TComplex v = zl, i = 1.0;
    for (int k = 0; k < n; ++k) {
        v += i * zs;
        i += v * yp;
        v += i * zs;
    }
    return {v / i, 10 * std::log10((v * std::conj(i)).real() / zl.real())};
}

} // namespace

TEST(FeedLine, TransformAndLossesMatchALumpedLadder) {
    std::mt19937 random(20);
    std::uniform_real_distribution<double> u(0.0, 1.0);
    for (int trial = 0; trial < 40; ++trial) {
        const double f = 1 + 149 * u(random);
        const TLine line =
            LineOf(25 + 575 * u(random), 0.5 + 0.5 * u(random), {{f, 30 * u(random)}});
        const double lambda = 2 * M_PI / line.Beta(f);
        const double length = 3 * lambda * u(random);
        const TComplex zl(1 + 999 * u(random), -1000 + 2000 * u(random));
        const TLadder ladder = Ladder(line, f, length, zl, 20000);
        const TComplex zin = MoveThroughLine(line, f, length, zl);
        EXPECT_LT(std::abs(zin - ladder.Zin), 1e-4 * std::abs(ladder.Zin)) << trial;
        const TAbcd m = LineAbcd(line, f, length);
        EXPECT_LT(std::abs((m.A * zl + m.B) / (m.C * zl + m.D) - zin), 1e-9 * std::abs(zin));
        const TLineFigures fig = LineFigures(line, f, length, LoadOf(zl), 100);
        ASSERT_TRUE(fig.TotalLossDb);
        EXPECT_NEAR(*fig.TotalLossDb, ladder.LossDb, 1e-4) << trial;
        EXPECT_NEAR(*fig.PowerAtFarW, 100 * std::pow(10, -ladder.LossDb / 10), 1e-3);
    }
}

TEST(FeedLine, RoundTripHalfAndQuarterWave) {
    const double f = 14.2;
    const TLine lossless = LineOf(75, 0.8, {{f, 0}});
    const TLine lossy = *FindLine("rg-58c/u");
    const double half = M_PI / lossless.Beta(f);
    for (const TComplex zl : {TComplex(12, -80), TComplex(300, 40), TComplex(75, 0)}) {
        for (const double length : {0.0, 7.3, 130.0})
            EXPECT_LT(std::abs(MoveBackThroughLine(lossy, f, length,
                                                   MoveThroughLine(lossy, f, length, zl)) -
                               zl),
                      1e-9 * std::abs(zl));
        EXPECT_LT(std::abs(MoveThroughLine(lossless, f, half, zl) - zl), 1e-9 * std::abs(zl));
        EXPECT_LT(std::abs(MoveThroughLine(lossless, f, half / 2, zl) - 75.0 * 75.0 / zl),
                  1e-9 * std::abs(zl));
    }
    const TLineFigures fig = LineFigures(lossless, f, half / 2, {75, 0}, 100);
    EXPECT_NEAR(fig.Degrees, 90, 1e-9);
    EXPECT_NEAR(fig.Wavelengths, 0.25, 1e-12);
}

TEST(FeedLine, TotalLossIsMatchedLossForAMatchAndGrowsWithSwr) {
    const TLine& line = *FindLine("RG-213/U");
    const TLineFigures matched = LineFigures(line, 3.6, 30, {50, 0}, 100);
    EXPECT_NEAR(*matched.TotalLossDb, matched.MatchedLossDb, 1e-12);
    EXPECT_NEAR(matched.MatchedLossDb, line.LossDbPer100m(3.6) * 0.3, 1e-12);
    double previous = matched.MatchedLossDb;
    for (const double swr : {1.5, 3.0, 10.0, 50.0}) {
        const double total = *LineFigures(line, 3.6, 30, {50 * swr, 0}, 100).TotalLossDb;
        EXPECT_GT(total, previous) << swr;
        previous = total;
    }
    // A load that takes no power leaves the total loss unknown, never infinite.
    EXPECT_FALSE(LineFigures(line, 3.6, 30, {0, 20}, 100).TotalLossDb);
}

TEST(FeedLine, CatalogueReproducesItsDatasheetFigures) {
    ASSERT_GE(LineCatalogue().size(), 14u);
    for (const TLine& line : LineCatalogue()) {
        ASSERT_FALSE(line.Points.empty()) << line.Name;
        for (const TLossPoint& p : line.Points) {
            const double perUnit = line.LossDbPer100m(p.FrequencyMHz) * (p.Per100Ft ? 0.3048 : 1);
            EXPECT_NEAR(perUnit, p.Db, 1e-9) << line.Name << " at " << p.FrequencyMHz;
        }
        EXPECT_EQ(FindLine(line.Name), &line);
    }
}

TEST(FeedLine, WhereTheTunerStands) {
    const TLine& line = *FindLine("RG-8X");
    const TLoad given{30, 25};
    const double f = 7.1, l = 17;
    const TComplex up = MoveThroughLine(line, f, l, given.Z());
    const TComplex down = MoveBackThroughLine(line, f, l, given.Z());
    struct TCase {
        TPointAt Point;
        TTunerAt Tuner;
        TComplex TunerLoad, Antenna;
    } const cases[] = {{TPointAt::Antenna, TTunerAt::Shack, up, given.Z()},
                       {TPointAt::Antenna, TTunerAt::Antenna, given.Z(), given.Z()},
                       {TPointAt::Shack, TTunerAt::Shack, given.Z(), down},
                       {TPointAt::Shack, TTunerAt::Antenna, down, down}};
    for (const TCase& c : cases) {
        const TFeed feed{line, l, c.Point, c.Tuner};
        const TFeedResult r = FeedThrough(feed, given, f, 50, 100);
        EXPECT_EQ(r.TunerLoad.Z(), c.TunerLoad);
        EXPECT_EQ(TunerLoadOf(feed, given, f).Z(), c.TunerLoad);
        EXPECT_LT(std::abs(r.Antenna.Z() - c.Antenna), 1e-12);
        // The tuner at the antenna: the line carries its matched input.
        if (c.Tuner == TTunerAt::Antenna) {
            EXPECT_EQ(r.Line.Far.Z(), TComplex(50, 0));
        }
    }
}

TEST(FeedLine, RefusesLinesOutOfRange) {
    struct TCase {
        double Z0, VF;
        std::vector<TLossPoint> Points;
        TLineFault Fault;
    } const cases[] = {{0.5, 0.66, {{10, 1}}, TLineFault::Z0Range},
                       {50, 0.05, {{10, 1}}, TLineFault::VfRange},
                       {50, 1.01, {{10, 1}}, TLineFault::VfRange},
                       {50, 0.66, {{10, -1}}, TLineFault::LossRange},
                       {50, 0.66, {{10, 1001}}, TLineFault::LossRange},
                       {50, 0.66, {{10, 1}, {10, 2}}, TLineFault::SameFrequency},
                       {50, 0.66, {{0, 1}}, TLineFault::FrequencyRange},
                       {50, 0.66, {}, TLineFault::PointCount}};
    for (const TCase& c : cases) {
        try {
            LineOf(c.Z0, c.VF, c.Points);
            ADD_FAILURE() << "accepted Z0 " << c.Z0 << " VF " << c.VF;
        } catch (const ELineError& e) {
            EXPECT_EQ(e.Code, c.Fault);
        }
    }
}
