// The parts as built: values that match with losses, pairs of standard
// parts, windings and ratings.
#include "lcphysics.h"
#include "parts.h"

#include <cmath>
#include <gtest/gtest.h>
#include <random>

namespace {

double Combine(double a, double b, TConnection c, TElementKind kind) {
    if (c == TConnection::Single) return a;
    const bool sum = (c == TConnection::Parallel) == (kind == TElementKind::Capacitor);
    return sum ? a + b : a * b / (a + b);
}

} // namespace

TEST(Parts, LossyExactValuesPresentZ0AndApproachTheIdealAsQGrows) {
    std::mt19937_64 rng(21);
    std::uniform_real_distribution<double> logR(std::log(2.0), std::log(1000.0)), x(-500, 500),
        logQ(std::log(20.0), std::log(2000.0));
    int found = 0, tried = 0;
    for (int i = 0; i < 3000; ++i) {
        const TLoad load{std::exp(logR(rng)), x(rng)};
        const TQuality q{std::exp(logQ(rng)), std::exp(logQ(rng))};
        for (const TLNetwork& ideal : MatchingNetworks(load, 7.1)) {
            ++tried;
            const auto exact = LossyExactNetwork(ideal, load, 7.1, q, 50);
            if (exact) {
                ++found;
                EXPECT_LE(
                    ReflectionMagnitude(LNetworkInput(*exact, load.Z(), 7.1, q.Coil, q.Capacitor)),
                    1e-9);
            }
            // Near an arrangement's edge the values go as the square root of
            // the losses: Q 1e8 moves them by 1e-4 times a small factor.
            const auto nearlyLossless = LossyExactNetwork(ideal, load, 7.1, {1e8, 1e8}, 50);
            ASSERT_TRUE(nearlyLossless) << load.R << " " << load.X;
            for (const auto& [a, b] : {std::pair{ideal.Series, nearlyLossless->Series},
                                       std::pair{ideal.Shunt, nearlyLossless->Shunt}}) {
                if (a.Present() && b.Present()) {
                    EXPECT_NEAR(b.Value / a.Value, 1.0, 2e-3);
                }
            }
        }
    }
    // Losses rule out a match only near the edges of an arrangement's region.
    EXPECT_GT(found, tried * 9 / 10);
}

TEST(Parts, PairIsTheBestOfABruteForceAndNeverWorseThanOnePart) {
    std::mt19937_64 rng(60063);
    std::uniform_real_distribution<double> logV(std::log(0.05), std::log(5000.0));
    for (const TESeries series : {TESeries::E6, TESeries::E12, TESeries::E24, TESeries::E96})
        for (int i = 0; i < 200; ++i) {
            const TElement target{i % 2 ? TElementKind::Coil : TElementKind::Capacitor,
                                  std::exp(logV(rng))};
            const TPartPair pair = BestPair(target, series);
            ASSERT_FALSE(pair.Parts.empty());
            EXPECT_DOUBLE_EQ(pair.Value, Combine(pair.Parts.front(), pair.Parts.back(),
                                                 pair.Connection, target.Kind));
            const double v = target.Value;
            EXPECT_LE(pair.Error(), std::fabs(NearestStandard(v, series) - v) / v + 1e-15);
            std::vector<double> near;
            for (int d = -4; d <= 5; ++d)
                for (const double m : SeriesMembers(series))
                    if (const double s = StandardValue(m, d); s >= v / 20 && s <= v * 20)
                        near.push_back(s);
            double best = HUGE_VAL;
            for (const double a : near) {
                best = std::min(best, std::fabs(a - v) / v);
                for (const double b : near)
                    for (const TConnection c : {TConnection::Parallel, TConnection::Series})
                        best = std::min(best, std::fabs(Combine(a, b, c, target.Kind) - v) / v);
            }
            EXPECT_LE(pair.Error(), best * (1 + 1e-9) + 1e-15) << v;
        }
}

TEST(Parts, NagaokaCoefficientAgainstItsTableAndItsLimits) {
    // Nagaoka's table (1909), as Grover reprints it.
    for (const auto& [ratio, k] :
         {std::pair{0.5, 0.8181}, {1.0, 0.6884}, {2.0, 0.5255}, {10.0, 0.2033}})
        EXPECT_NEAR(NagaokaCoefficient(ratio), k, 6e-5) << ratio;
    // The mean's integrals are the library's.
    for (double k = 0.0; k < 0.9999; k += 0.0137) {
        EXPECT_NEAR(CompleteElliptic(k).K, std::comp_ellint_1(k), 1e-12) << k;
        EXPECT_NEAR(CompleteElliptic(k).E, std::comp_ellint_2(k), 1e-12) << k;
    }
    // A long coil: K = 1 - 4/(3π) · D/l to first order.
    EXPECT_NEAR(NagaokaCoefficient(1e-3), 1 - 4e-3 / (3 * M_PI), 1e-6);
    // Wheeler: L = r²N²/(9r + 10l) µH, r and l in inches, within 1 % for l > 0.8 r.
    for (const double lengthOverRadius : {0.8, 1.5, 4.0, 20.0}) {
        const double r = 1.0, l = lengthOverRadius * r, n = 30;
        const double wheeler = r * r * n * n / (9 * r + 10 * l);
        EXPECT_NEAR(CurrentSheetUh(2 * r * 25.4, l * 25.4, n) / wheeler, 1.0, 0.01)
            << lengthOverRadius;
    }
}

TEST(Parts, WindingsComeNearestTheValue) {
    const TAirCoilForm form{20, 1.5, 1.5};
    for (const double uH : {0.3, 1.0, 4.7, 22.0}) {
        const auto coil = WindAirCoil(uH, form);
        ASSERT_TRUE(coil);
        EXPECT_DOUBLE_EQ(coil->LengthMm, coil->Turns * 1.5);
        // A tenth of a turn more or less would be no nearer.
        for (const double other : {coil->Turns - 0.1, coil->Turns + 0.1})
            EXPECT_LE(std::fabs(coil->InductanceUh - uH), std::fabs(AirCoilUh(form, other) - uH));
        // Round wire has less inductance than the current sheet of the same turns.
        EXPECT_LT(coil->InductanceUh, CurrentSheetUh(21.5, coil->LengthMm, coil->Turns));
    }
    EXPECT_EQ(WindAirCoil(60, form)->Shape, TCoilShape::Long);
    EXPECT_FALSE(WindAirCoil(0.001, form));
    EXPECT_EQ(FormFault({20, 2, 1.5}), TFormFault::WireAbovePitch);
    EXPECT_EQ(FormFault({1, 2, 2}), TFormFault::FormBelowWire);
    // Toroids: N = 100·√(L/A_L) with A_L in µH per 100 turns, to whole turns.
    struct Case {
        const char* core;
        double uH;
        int turns;
    };
    for (const Case& c : {Case{"T-50-2", 12.0, 49}, Case{"t-130-6", 2.2, 15},
                          Case{"T-200-2", 0.001, 1}, Case{"T-37-6", 30.0, 100}}) {
        const TToroidCore* core = FindToroidCore(c.core);
        ASSERT_TRUE(core) << c.core;
        const TToroidWinding w = WindToroid(c.uH, *core);
        EXPECT_EQ(w.Turns, c.turns) << c.core;
        EXPECT_DOUBLE_EQ(w.InductanceUh, core->AlNh * c.turns * c.turns / 1000);
    }
    EXPECT_EQ(FindToroidCore("T-130-3"), nullptr);
    EXPECT_EQ(ToroidCores().size(), 18u);
}

TEST(Parts, RatingIsTheNextUsualVoltageAtTwiceThePeak) {
    for (const auto& [peak, rating] : {std::pair{0.0, 50.0},
                                       {25.0, 50.0},
                                       {25.1, 100.0},
                                       {300.0, 630.0},
                                       {315.1, 1000.0},
                                       {5000.0, 10000.0}})
        EXPECT_EQ(RecommendedRatingV(peak), rating) << peak;
    EXPECT_FALSE(RecommendedRatingV(5000.1));
}
