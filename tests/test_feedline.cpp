// The feed line: the complex-Zc line against a ladder of many short RLGC
// sections, one published figure, the textbook identities, the loss fit and
// the catalogue's names, and the refusal of a shack reading no antenna gives.
#include "feedline.h"
#include "lcphysics.h"
#include "lnetwork.h"

#include <cmath>
#include <gtest/gtest.h>
#include <random>

// Random catalogue lines, lengths 1 ... 200 m, loads and frequencies 0.5 ...
// 1300 MHz: the input impedance within 1e-7 of its size, the total loss within
// 1e-6 dB and the power at the far end within 1e-6 of itself (the ladder's own
// error after Richardson's step is far below these).
TEST(FeedLine, MatchesALadderOfRlgcSections) {
    std::mt19937 random(20);
    std::uniform_real_distribution<double> u(0.0, 1.0);
    const std::vector<TLine>& lines = LineCatalogue();
    for (int trial = 0; trial < 40; ++trial) {
        const TLine& line = lines[random() % lines.size()];
        const double f = 0.5 * std::pow(1300 / 0.5, u(random));
        const double length = 1 + 199 * u(random);
        const TComplex zl(1 + 999 * u(random), -1000 + 2000 * u(random));
        const TRlgc k = line.Rlgc(f);
        const TLadderLine ladder = LadderLine(k.R, k.L, k.G, k.C, f, length, zl);
        const std::string what =
            line.Name + " at " + std::to_string(f) + " MHz, " + std::to_string(length) + " m";
        const TComplex zin = MoveThroughLine(line, f, length, zl);
        EXPECT_LT(std::abs(zin - ladder.Zin), 1e-7 * std::abs(ladder.Zin)) << what;
        const TAbcd m = LineAbcd(line, f, length);
        EXPECT_LT(std::abs((m.A * zl + m.B) / (m.C * zl + m.D) - zin), 1e-9 * std::abs(zin));
        const TLineFigures fig = LineFigures(line, f, length, LoadOf(zl), 100);
        ASSERT_TRUE(fig.TotalLossDb);
        EXPECT_NEAR(*fig.TotalLossDb, ladder.LossDb, 1e-6) << what;
        EXPECT_NEAR(*fig.PowerAtFarW, 100 * ladder.FarFraction, 1e-6 * 100 * ladder.FarFraction)
            << what;
    }
    // The published figure: thin coax at 160 m has Zc ≈ 50 − j1.9 ohm.
    const TComplex zc = FindLine("RG-58C/U")->Zc(1.85);
    EXPECT_NEAR(zc.real(), 50.0, 0.1);
    EXPECT_NEAR(zc.imag(), -1.9, 0.1);
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
    // Matched is terminated in Zc, which at HF is not the nominal 50 ohm.
    const TLineFigures matched = LineFigures(line, 3.6, 30, LoadOf(line.Zc(3.6)), 100);
    EXPECT_NEAR(*matched.TotalLossDb, matched.MatchedLossDb, 1e-12);
    EXPECT_NEAR(matched.MatchedLossDb, line.LossDbPer100m(3.6) * 0.3, 1e-12);
    EXPECT_NEAR(matched.FarLineSwr, 1.0, 1e-9);
    double previous = matched.MatchedLossDb;
    for (const double swr : {1.5, 3.0, 10.0, 50.0}) {
        const double total = *LineFigures(line, 3.6, 30, {50 * swr, 0}, 100).TotalLossDb;
        EXPECT_GT(total, previous) << swr;
        previous = total;
    }
    // A load that takes no power leaves the total loss unknown, never infinite.
    EXPECT_FALSE(LineFigures(line, 3.6, 30, {0, 20}, 100).TotalLossDb);
}

// Every coax row has at least three datasheet points, both terms >= 0, a
// matched loss (Re γ from its own R', L', G', C') equal to the fit and never
// falling from 0.1 MHz to 3 GHz, and every point within 10 % of the fit
// (datasheets print two or three digits, and a two-term curve through four or
// five of them misses some by a few per cent).
TEST(FeedLine, CatalogueFitsItsDatasheetPoints) {
    ASSERT_GE(LineCatalogue().size(), 14u);
    for (const TLine& line : LineCatalogue()) {
        const bool coax = line.Z0 <= 75;
        EXPECT_GE(line.Points.size(), coax ? 3u : 1u) << line.Name;
        EXPECT_GE(line.K1, 0) << line.Name;
        EXPECT_GE(line.K2, 0) << line.Name;
        double previous = 0;
        for (double f = 0.1; f <= 3000; f *= 1.05) {
            const TRlgc k = line.Rlgc(f);
            const double w = AngularFrequency(f);
            const double alpha = std::sqrt(TComplex(k.R, w * k.L) * TComplex(k.G, w * k.C)).real();
            const double db = alpha * 100 * 20 * std::log10(std::exp(1.0));
            EXPECT_NEAR(db, line.LossDbPer100m(f), 1e-9 * db) << line.Name << " at " << f;
            EXPECT_GE(db, previous) << line.Name << " at " << f;
            previous = db;
        }
        for (const TLossPoint& p : line.Points) {
            const double perUnit = line.LossDbPer100m(p.FrequencyMHz) * (p.Per100Ft ? 0.3048 : 1);
            EXPECT_NEAR(perUnit, p.Db, 0.10 * p.Db) << line.Name << " at " << p.FrequencyMHz;
        }
        EXPECT_EQ(FindLine(line.Name), &line);
    }
}

TEST(FeedLine, CustomFitsAndNames) {
    // Two consistent points: the curve through both, nothing clamped.
    const TLine both = LineOf(50, 0.66, {{10, 1.5}, {100, 5.5}});
    EXPECT_FALSE(both.ClampedTerm);
    EXPECT_NEAR(both.LossDbPer100m(10), 1.5, 1e-12);
    EXPECT_NEAR(both.LossDbPer100m(100), 5.5, 1e-12);
    // Loss growing slower than √f (a negative dielectric term) or faster
    // than f (a negative conductor term): that term is 0, and the line says so.
    const TLine slow = LineOf(50, 0.66, {{10, 2}, {100, 3}, {400, 3.5}});
    EXPECT_TRUE(slow.ClampedTerm);
    EXPECT_EQ(slow.K2, 0);
    EXPECT_GT(slow.K1, 0);
    const TLine fast = LineOf(50, 0.66, {{10, 1}, {100, 12}});
    EXPECT_TRUE(fast.ClampedTerm);
    EXPECT_EQ(fast.K1, 0);
    EXPECT_GT(fast.K2, 0);

    struct TName {
        const char* Typed;
        const char* Line; // none: ambiguous or unknown
        std::size_t Candidates;
    } const names[] = {
        {"RG-213", "RG-213/U", 0},   {"rg213", "RG-213/U", 0}, {"RG213/U", "RG-213/U", 0},
        {"RG-213/U", "RG-213/U", 0}, {"RG-58", "RG-58C/U", 0}, {"RG58", "RG-58C/U", 0},
        {"rg-58/u", "RG-58C/U", 0},  {"LMR400", "LMR-400", 0}, {"ecoflex 15", "Ecoflex 15", 0},
        {"Ecoflex", nullptr, 2},     {"RG-1", nullptr, 2},     {"RG-999", nullptr, 0}};
    for (const TName& n : names) {
        const TLineLookup found = LookUpLine(n.Typed);
        if (n.Line) {
            ASSERT_TRUE(found.Line) << n.Typed;
            EXPECT_EQ(found.Line->Name, n.Line) << n.Typed;
        } else {
            EXPECT_FALSE(found.Line) << n.Typed;
            EXPECT_EQ(found.Candidates.size(), n.Candidates) << n.Typed;
        }
    }
}

// 25 ohm read at the shack through 100 m of RG-58 at 28 MHz: SWR 2 where the
// line's own return loss of more than 20 dB allows at most about 1.2.
TEST(FeedLine, ShackReadingNoAntennaCanGiveIsRefused) {
    const TLine& line = *FindLine("RG-58C/U");
    const TLoad reading{25, 0};
    auto refused = [](auto&& f) {
        try {
            f();
        } catch (const ELineError& e) {
            return e.Code == TLineFault::NotFromLine;
        }
        return false;
    };
    EXPECT_TRUE(refused([&] { MoveBackThroughLine(line, 28, 100, reading.Z()); }));
    for (const TTunerAt tuner : {TTunerAt::Shack, TTunerAt::Antenna})
        EXPECT_TRUE(refused([&] {
            FeedThrough({line, 100, TPointAt::Shack, tuner}, reading, 28, 50, 100);
        }));
    EXPECT_TRUE(refused([&] {
        TunerLoadOf({line, 100, TPointAt::Shack, TTunerAt::Antenna}, reading, 28);
    }));
    // In a moved measurement such a point is an open; a possible one moves.
    TTouchstone trace;
    trace.Points = {{28, 25, 0}, {28.1, 48, 2}};
    const TTouchstone moved = MoveTrace(trace, {line, 100, TPointAt::Shack, TTunerAt::Antenna});
    EXPECT_TRUE(moved.Points[0].Open);
    ASSERT_FALSE(moved.Points[1].Open);
    EXPECT_GT(moved.Points[1].R, 0);
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
    } const cases[] = {
        {0.5, 0.66, {{10, 1}}, TLineFault::Z0Range},
        {50, 0.05, {{10, 1}}, TLineFault::VfRange},
        {50, 1.01, {{10, 1}}, TLineFault::VfRange},
        {50, 0.66, {{10, -1}}, TLineFault::LossRange},
        {50, 0.66, {{10, 1001}}, TLineFault::LossRange},
        {50, 0.66, {{10, 1}, {10, 2}}, TLineFault::SameFrequency},
        {50, 0.66, {{0, 1}}, TLineFault::FrequencyRange},
        {50, 0.66, {}, TLineFault::PointCount},
        {50, 0.66, std::vector<TLossPoint>(MaxLossPoints + 1, {10, 1}), TLineFault::PointCount}};
    for (const TCase& c : cases) {
        try {
            LineOf(c.Z0, c.VF, c.Points);
            ADD_FAILURE() << "accepted Z0 " << c.Z0 << " VF " << c.VF;
        } catch (const ELineError& e) {
            EXPECT_EQ(e.Code, c.Fault);
        }
    }
}
